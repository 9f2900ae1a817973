#include "ui/option.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <stdexcept>

#include "app/messages.h"
#include "app/reader.h"
#include "render/color.h"
#include "render/font_list.h"
#include "render/picture_file.h"
#include "ui/alert.h"
#include "ui/application.h"
#include "ui/page_image.h"

namespace mirvo::ui {
namespace {

QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QColor ToQColor(Color c) {
    const Color v = ResolveSystemColor(c);
    return QColor(RedOf(v), GreenOf(v), BlueOf(v));
}

Color FromQColor(const QColor& c) {
    return static_cast<Color>(c.blue()) << 16 | static_cast<Color>(c.green()) << 8 |
           static_cast<Color>(c.red());
}

// A spin field whose text may be anything: a text that is not a whole number reads as 0.
// Without `typing` only its arrows change it.
class SpinEdit : public QSpinBox {
  public:
    SpinEdit(int min, int max, bool typing, QWidget* parent) : QSpinBox(parent) {
        setRange(min, max);
        lineEdit()->setReadOnly(!typing);
    }
    // The value its text gives now, whether or not it has been taken in yet.
    int TextValue() const { return valueFromText(text()); }

  protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString& text) const override {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return ok ? v : 0;
    }
};

int SpinValue(QSpinBox* spin) {
    return static_cast<SpinEdit*>(spin)->TextValue();
}

constexpr const char* kComment =
    "■■ ひとことコメント ■■\n"
    "\n"
    "　ページめくりの時に、画面のチラつきが気になる"
    "人は、ページテクスチャの使用をやめてみてください。\n"
    "\n"
    "　それでもまだ気になる方は、ページおくり速度の"
    "スライダを左端までずらして、ページおくりをやめてみてください。";

}  // namespace

// Panels ---------------------------------------------------------------------------------

ClickablePanel::ClickablePanel(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

ColorPanel::ColorPanel(const QString& caption, QWidget* parent)
    : ClickablePanel(parent), caption_(caption) {}

void ColorPanel::SetColor(Color c) {
    color_ = c;
    update();
}

void ColorPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor fill = ToQColor(color_);
    p.fillRect(rect(), fill);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(fill.lightness() < 110 ? Qt::white : Qt::black);
    p.drawText(rect(), Qt::AlignCenter, caption_);
}

PicturePanel::PicturePanel(QWidget* parent) : ClickablePanel(parent) {}

void PicturePanel::SetPicture(const Bitmap& picture) {
    picture_ = picture;
    update();
}

void PicturePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QImage image = WrapBitmap(picture_);
    if (!image.isNull()) p.drawImage(rect().adjusted(1, 1, -1, -1), image);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// The dialog ------------------------------------------------------------------------------

TdlgOption::TdlgOption(QWidget* parent) : QDialog(parent) {
    setObjectName("TdlgOption");
    setWindowTitle(QStringLiteral("ﾀﾞｲｱﾛｸﾞ"));
    // A fixed dialog border: a caption and a close button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
    uiFont.setPixelSize(12);
    setFont(uiFont);
    BuildControls();
    BindControls();
    setFixedSize(541, 424);
}

TdlgOption::~TdlgOption() = default;

void TdlgOption::BuildControls() {
    auto named = [](auto* widget, const char* name, const QString& hint = {}) {
        widget->setObjectName(name);
        if (!hint.isEmpty()) widget->setToolTip(hint);
        return widget;
    };

    // Left column: 行桁, 文書整形, フォント and the two notes.
    auto* rowCol = new QGroupBox(QStringLiteral("行桁"));
    auto* rowColGrid = new QGridLayout(rowCol);
    speRowCountInPage = named(new SpinEdit(INT_MIN, INT_MAX, true, rowCol), "speRowCountInPage",
                              QStringLiteral("ページあたりの行数です。"));
    speCharCountInRow = named(new SpinEdit(INT_MIN, INT_MAX, true, rowCol), "speCharCountInRow",
                              QStringLiteral("行あたりの文字数です。"));
    speCharSpace = named(new SpinEdit(0, 30, false, rowCol), "speCharSpace",
                         QStringLiteral("文字間隔を指定します。"));
    const struct {
        const char* label;
        QSpinBox* spin;
        const char* unit;
    } rows[] = {{"1ページの行数(*)", speRowCountInPage, "行"},
                {"1行の文字数(*)", speCharCountInRow, "文字"},
                {"文字間隔", speCharSpace, "％"}};
    for (int r = 0; r < 3; ++r) {
        rowColGrid->addWidget(new QLabel(QString::fromUtf8(rows[r].label)), r, 0);
        rowColGrid->addWidget(rows[r].spin, r, 1);
        rowColGrid->addWidget(new QLabel(QString::fromUtf8(rows[r].unit)), r, 2);
    }

    auto* format = new QGroupBox(QStringLiteral("文書整形"));
    auto* formatBox = new QVBoxLayout(format);
    ckbRuby = named(new QCheckBox(QStringLiteral("ルビを表示する(*)")), "ckbRuby",
                    QStringLiteral("ﾁｪｯｸすると、ふりがなを表示します"));
    ckbImage = named(new QCheckBox(QStringLiteral("挿絵の表示(*)")), "ckbImage",
                     QStringLiteral("ﾁｪｯｸすると、挿絵を表示します"));
    ckbComment = named(new QCheckBox(QStringLiteral("脚注を追い出す(*)")), "ckbComment",
                       QStringLiteral("ﾁｪｯｸすると脚注をﾎﾟｯﾌﾟｱｯﾌﾟで表示します"));
    ckbAozoraNotes =
        named(new QCheckBox(QStringLiteral("青空文庫の注記を使う(*)")), "ckbAozoraNotes",
              QStringLiteral("ﾁｪｯｸすると、字下げ・見出し・改ページの注記で組版します"));
    edtIndexChar = named(new QLineEdit(QStringLiteral("◎")), "edtIndexChar");
    auto* indexRow = new QHBoxLayout;
    indexRow->addWidget(new QLabel(QStringLiteral("見出し文字列(*)")));
    indexRow->addWidget(edtIndexChar);
    for (QCheckBox* c : {ckbRuby, ckbImage, ckbComment, ckbAozoraNotes}) formatBox->addWidget(c);
    formatBox->addLayout(indexRow);

    auto* fontGroup = new QGroupBox(QStringLiteral("フォント"));
    auto* fontBox = new QVBoxLayout(fontGroup);
    lblFontSample = named(new QLabel(QStringLiteral("aAａＡあア亜")), "lblFontSample",
                          QStringLiteral("フォントのサンプルです。"));
    lblFontSample->setAlignment(Qt::AlignCenter);
    lblFontSample->setFrameShape(QFrame::StyledPanel);
    lblFontSample->setMinimumHeight(26);
    cmbFontList = named(new QComboBox, "cmbFontList", QStringLiteral("表示フォントを選択します。"));
    cmbFontList->setEditable(true);
    cmbFontList->setInsertPolicy(QComboBox::NoInsert);
    spbBold = named(new QToolButton, "spbBold", QStringLiteral("太字で表示します。"));
    spbBold->setText(QStringLiteral("Ｂ"));
    spbBold->setCheckable(true);
    QFont boldFont = spbBold->font();
    boldFont.setBold(true);
    spbBold->setFont(boldFont);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(cmbFontList, 1);
    fontRow->addWidget(spbBold);
    fontBox->addWidget(lblFontSample);
    fontBox->addLayout(fontRow);

    for (QGroupBox* group : {rowCol, format, fontGroup}) {
        group->layout()->setContentsMargins(6, 2, 6, 4);
        group->layout()->setSpacing(2);
    }
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(rowCol);
    left->addWidget(format);
    left->addWidget(fontGroup);
    left->addWidget(new QLabel(QStringLiteral("(*)の設定は、ビューでPF5(再表示)を")));
    left->addWidget(new QLabel(QStringLiteral("押すと反映されます。")));
    left->addStretch(1);

    // Right column: the three picture and colour panels, the texture switch, the speed, the
    // smoothing and the about box.
    imgBaseTexture = named(new PicturePanel(this), "imgBaseTexture",
                           QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸで背景画像を設定"));
    pnlPageColor = named(new ColorPanel(QStringLiteral("ﾍﾟｰｼﾞ色"), this), "pnlPageColor",
                         QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ色を指定"));
    imgPageTexture = named(new PicturePanel(this), "imgPageTexture",
                           QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ背景画像を設定"));
    pnlCoverColor = named(new ColorPanel(QStringLiteral("表紙色"), this), "pnlCoverColor",
                          QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸで表紙色を指定"));
    imgBaseTexture->setFixedSize(72, 72);
    pnlPageColor->setFixedSize(72, 26);
    imgPageTexture->setFixedSize(72, 44);
    pnlCoverColor->setFixedSize(72, 72);
    auto panelColumn = [](const QString& label, std::initializer_list<QWidget*> widgets) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        column->addWidget(new QLabel(label));
        for (QWidget* w : widgets) column->addWidget(w);
        column->addStretch(1);
        return column;
    };
    auto* panels = new QHBoxLayout;
    panels->addLayout(panelColumn(QStringLiteral("背景色"), {imgBaseTexture}));
    panels->addLayout(panelColumn(QStringLiteral("ページ色(他)"), {pnlPageColor, imgPageTexture}));
    panels->addLayout(panelColumn(QStringLiteral("表紙色"), {pnlCoverColor}));

    ckbPageTexture = named(new QCheckBox(QStringLiteral("ﾍﾟｰｼﾞﾃｸｽﾁｬを使う")), "ckbPageTexture",
                           QStringLiteral("ページにテクスチャを貼り付けます。"));
    trbChangeSpeed = named(new QSlider(Qt::Horizontal), "trbChangeSpeed",
                           QStringLiteral("ページめくり速度を調整します。"));
    trbChangeSpeed->setRange(0, 200);
    trbChangeSpeed->setSingleStep(10);
    trbChangeSpeed->setPageStep(10);
    trbChangeSpeed->setTickInterval(10);
    trbChangeSpeed->setTickPosition(QSlider::TicksBelow);
    trbChangeSpeed->setValue(150);
    auto* speedEnds = new QHBoxLayout;
    speedEnds->addWidget(new QLabel(QStringLiteral("遅い")));
    speedEnds->addStretch(1);
    speedEnds->addWidget(new QLabel(QStringLiteral("早い")));
    ckbUseAlias = named(new QCheckBox(QStringLiteral("アンチエイリアスする(マシンパワー必要)")),
                        "ckbUseAlias");

    auto* about = new QWidget;
    auto* aboutBox = new QVBoxLayout(about);
    aboutBox->setContentsMargins(4, 4, 4, 4);
    auto* aboutRow = new QHBoxLayout;
    auto* aboutPicture = new QLabel;
    aboutPicture->setPixmap(AlertPicture());
    aboutRow->addWidget(aboutPicture);
    aboutRow->addWidget(new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報: V1.2")), 1);
    memComment = named(new QPlainTextEdit, "memComment");
    memComment->setReadOnly(true);
    memComment->setMinimumHeight(110);
    QFont commentFont(QStringLiteral("ＭＳ ゴシック"));
    commentFont.setPixelSize(12);
    memComment->setFont(commentFont);
    QPalette commentColors = memComment->palette();
    commentColors.setColor(QPalette::Text, Qt::black);
    memComment->setPalette(commentColors);
    aboutBox->addLayout(aboutRow);
    aboutBox->addWidget(memComment);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("ScrollBox1");
    scroll->setWidgetResizable(true);
    scroll->setWidget(about);

    auto* right = new QVBoxLayout;
    right->addLayout(panels);
    right->addWidget(ckbPageTexture);
    right->addWidget(new QLabel(QStringLiteral("ページめくり速度")));
    right->addWidget(trbChangeSpeed);
    right->addLayout(speedEnds);
    right->addWidget(ckbUseAlias);
    right->addWidget(scroll, 1);

    // The bookshelf row along the bottom of the framed area.
    edtBKStandFolder = named(new QLineEdit, "edtBKStandFolder");
    edtBKStandFolder->setReadOnly(true);
    btnBKStandSelect = named(new QPushButton(QStringLiteral("参照..")), "btnBKStandSelect");
    auto* shelf = new QHBoxLayout;
    shelf->addWidget(new QLabel(QStringLiteral("本棚フォルダ")));
    shelf->addWidget(edtBKStandFolder, 1);
    shelf->addWidget(btnBKStandSelect);

    auto* frame = new QFrame;
    frame->setObjectName("Bevel1");
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameBox = new QVBoxLayout(frame);
    frameBox->setContentsMargins(6, 6, 6, 6);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    frameBox->addLayout(columns, 1);
    frameBox->addLayout(shelf);

    OKBtn = named(new QPushButton(QStringLiteral("OK")), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ")), "CancelBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    ColorDialog = new QColorDialog(this);
    ColorDialog->setObjectName("ColorDialog");
    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName("OpenDialog");
    OpenDialog->setNameFilter(QStringLiteral("ビットマップ(*.bmp)"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);

    connect(OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(spbBold, &QToolButton::clicked, this, [this] { spbBoldClick(); });
    connect(cmbFontList, &QComboBox::editTextChanged, this,
            [this](const QString& text) { SetSampleFace(text); });
    connect(pnlPageColor, &ColorPanel::clicked, this, [this] { PickColor(pnlPageColor); });
    connect(pnlCoverColor, &ColorPanel::clicked, this, [this] { PickColor(pnlCoverColor); });
    connect(imgBaseTexture, &PicturePanel::clicked, this,
            [this] { PickPicture(imgBaseTexture, chosenBaseTexture_); });
    connect(imgPageTexture, &PicturePanel::clicked, this,
            [this] { PickPicture(imgPageTexture, chosenPageTexture_); });
    connect(btnBKStandSelect, &QPushButton::clicked, this, [this] { btnBKStandSelectClick(); });
}

void TdlgOption::BindControls() {
    auto entry = [](const char* key) {
        const SettingEntry* e = FindSetting(key);
        if (!e) throw std::logic_error(std::string("no setting ") + key);
        return e;
    };
    auto spin = [&](const char* key, QSpinBox* s) {
        bindings_.push_back({entry(key),
                             [s](const SettingValue& v) { s->setValue(std::get<int>(v)); },
                             [s] { return SettingValue(SpinValue(s)); }});
    };
    auto check = [&](const char* key, QAbstractButton* b) {
        bindings_.push_back({entry(key),
                             [b](const SettingValue& v) { b->setChecked(std::get<bool>(v)); },
                             [b] { return SettingValue(b->isChecked()); }});
    };
    auto text = [&](const char* key, QLineEdit* e) {
        bindings_.push_back(
            {entry(key), [e](const SettingValue& v) { e->setText(Q(std::get<std::string>(v))); },
             [e] { return SettingValue(e->text().toStdString()); }});
    };
    auto color = [&](const char* key, ColorPanel* p) {
        bindings_.push_back(
            {entry(key),
             [p](const SettingValue& v) { p->SetColor(StringToColor(std::get<std::string>(v))); },
             [p] { return SettingValue(ColorToString(p->GetColor())); }});
    };
    // In the order OK stores them.
    spin("RowCount", speRowCountInPage);
    spin("CharCount", speCharCountInRow);
    spin("FontSpace", speCharSpace);
    check("UseRuby", ckbRuby);
    check("UseImage", ckbImage);
    check("UseComment", ckbComment);
    text("IndexChar", edtIndexChar);
    check("UseAozoraNotes", ckbAozoraNotes);
    text("FontName", cmbFontList->lineEdit());
    check("FontBold", spbBold);
    check("UsePageTexture", ckbPageTexture);
    bindings_.push_back(
        {entry("ChangeSpeed"),
         [this](const SettingValue& v) { trbChangeSpeed->setValue(std::get<int>(v)); },
         [this] { return SettingValue(trbChangeSpeed->value()); }});
    check("Alias", ckbUseAlias);
    color("PageColor", pnlPageColor);
    color("CoverColor", pnlCoverColor);
    text("BKStandFolder", edtBKStandFolder);
}

bool TdlgOption::Execute(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture) {
    Edited edited{settings, baseTexture, pageTexture};
    struct Release {
        Edited*& edited;
        ~Release() { edited = nullptr; }
    } release{edited_};
    edited_ = &edited;
    FormShow();
    return exec() == QDialog::Accepted;
}

void TdlgOption::FormShow() {
    FillFontList();
    const Settings& s = edited_->settings;
    for (const Binding& b : bindings_) b.show(ShownValue(*b.entry, s));
    imgBaseTexture->SetPicture(edited_->baseTexture);
    imgPageTexture->SetPicture(edited_->pageTexture);
    chosenBaseTexture_ = s.BaseBGTexture;
    chosenPageTexture_ = s.PageBGTexture;
    SetSampleFace(cmbFontList->currentText());
    spbBoldClick();
    memComment->setPlainText(QString::fromUtf8(kComment));
}

void TdlgOption::OKBtnClick() {
    Settings& s = edited_->settings;
    for (const Binding& b : bindings_) SetShownValue(*b.entry, s, b.read());
    s.BaseBGTexture = chosenBaseTexture_;
    s.PageBGTexture = chosenPageTexture_;
    edited_->baseTexture = imgBaseTexture->Picture();
    edited_->pageTexture = imgPageTexture->Picture();
}

void TdlgOption::FillFontList() {
    // Filling the list must not change the text the field holds.
    const QString text = cmbFontList->currentText();
    cmbFontList->clear();
    for (const std::string& name : VerticalFontNames()) cmbFontList->addItem(Q(name));
    cmbFontList->setEditText(text);
}

void TdlgOption::SetSampleFace(const QString& fontName) {
    // The face of the name in the field, without its leading "@".
    QFont face(fontName.mid(1, 99));
    face.setPixelSize(15);
    face.setBold(spbBold->isChecked());
    lblFontSample->setFont(face);
}

void TdlgOption::spbBoldClick() {
    QFont face = lblFontSample->font();
    face.setBold(spbBold->isChecked());
    lblFontSample->setFont(face);
}

void TdlgOption::PickColor(ColorPanel* panel) {
    ColorDialog->setCurrentColor(lastColor_);
    if (ColorDialog->exec() != QDialog::Accepted) return;
    lastColor_ = ColorDialog->currentColor();
    panel->SetColor(FromQColor(lastColor_));
}

void TdlgOption::PickPicture(PicturePanel* picture, std::string& chosen) {
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
    const QString file = OpenDialog->selectedFiles().first();
    // The next choice starts in the folder of this one, however the file was named.
    OpenDialog->setDirectory(QFileInfo(file).absolutePath());
    const std::string path = file.toStdString();
    Result<Bitmap> read = LoadBitmapFile(path);
    if (!read) {
        MirvoApplication::ShowException(QString::fromStdString(Word(read.GetProblem())));
        return;
    }
    picture->SetPicture(std::move(read.Value()));
    chosen = path;
}

void TdlgOption::btnBKStandSelectClick() {
    edtBKStandFolder->setText(BrowseForFolder(this));
}

QString BrowseForFolder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(
        owner, QStringLiteral("お好きなﾌｫﾙﾀﾞを選択して下さい。"), QStringLiteral("/"));
}

}  // namespace mirvo::ui
