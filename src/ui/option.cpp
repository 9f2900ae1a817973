#include "ui/option.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "app/messages.h"
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

// Where the controls of each group go, and the columns of the picture and colour panels.
struct TdlgOption::Layouts {
    QGridLayout* rowsAndColumns = nullptr;
    QVBoxLayout* format = nullptr;  // the formatting switches, then its texts
    int formatChecks = 0;
    QHBoxLayout* font = nullptr;
    QHBoxLayout* panels = nullptr;
    std::vector<std::pair<QString, QVBoxLayout*>> columns;  // panel columns by their label
    QVBoxLayout* display = nullptr;
    QHBoxLayout* shelf = nullptr;
};

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
    setFixedSize(541, 424);
}

TdlgOption::~TdlgOption() = default;

void TdlgOption::BuildControls() {
    Layouts l;
    QBoxLayout* left = BuildLeftColumn(l);
    QBoxLayout* right = BuildRightColumn(l);
    l.shelf = new QHBoxLayout;
    for (const SettingEntry& e : SettingsTable())
        if (e.control.kind != ControlKind::None) BuildControl(e, l);
    // A lone panel fills its column; of two, the colour is a strip above the picture.
    for (const auto& [label, column] : l.columns) {
        const bool alone = column->count() == 2;
        for (int i = 1; i < column->count(); ++i) {
            QWidget* w = column->itemAt(i)->widget();
            const bool colour = qobject_cast<ColorPanel*>(w) != nullptr;
            w->setFixedSize(72, alone ? 72 : colour ? 26 : 44);
        }
        column->addStretch(1);
    }

    auto* frame = new QFrame;
    frame->setObjectName("Bevel1");
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameBox = new QVBoxLayout(frame);
    frameBox->setContentsMargins(6, 6, 6, 6);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    frameBox->addLayout(columns, 1);
    frameBox->addLayout(l.shelf);
    BuildButtonsAndChoosers(frame);
}

QBoxLayout* TdlgOption::BuildLeftColumn(Layouts& l) {
    auto* rowCol = new QGroupBox(QStringLiteral("行桁"));
    l.rowsAndColumns = new QGridLayout(rowCol);
    auto* format = new QGroupBox(QStringLiteral("文書整形"));
    l.format = new QVBoxLayout(format);

    auto* fontGroup = new QGroupBox(QStringLiteral("フォント"));
    auto* fontBox = new QVBoxLayout(fontGroup);
    lblFontSample = new QLabel(QStringLiteral("aAａＡあア亜"));
    lblFontSample->setObjectName("lblFontSample");
    lblFontSample->setToolTip(QStringLiteral("フォントのサンプルです。"));
    lblFontSample->setAlignment(Qt::AlignCenter);
    lblFontSample->setFrameShape(QFrame::StyledPanel);
    lblFontSample->setMinimumHeight(26);
    l.font = new QHBoxLayout;
    fontBox->addWidget(lblFontSample);
    fontBox->addLayout(l.font);

    for (QGroupBox* group : {rowCol, format, fontGroup}) {
        group->layout()->setContentsMargins(6, 2, 6, 4);
        group->layout()->setSpacing(2);
    }
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(rowCol);
    column->addWidget(format);
    column->addWidget(fontGroup);
    column->addWidget(new QLabel(QStringLiteral("(*)の設定は、ビューでPF5(再表示)を")));
    column->addWidget(new QLabel(QStringLiteral("押すと反映されます。")));
    column->addStretch(1);
    return column;
}

QBoxLayout* TdlgOption::BuildRightColumn(Layouts& l) {
    l.panels = new QHBoxLayout;
    l.display = new QVBoxLayout;
    auto* about = new QWidget;
    auto* aboutBox = new QVBoxLayout(about);
    aboutBox->setContentsMargins(4, 4, 4, 4);
    auto* aboutRow = new QHBoxLayout;
    auto* aboutPicture = new QLabel;
    aboutPicture->setPixmap(AlertPicture());
    aboutRow->addWidget(aboutPicture);
    aboutRow->addWidget(new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報: V1.2")), 1);
    memComment = new QPlainTextEdit;
    memComment->setObjectName("memComment");
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

    auto* column = new QVBoxLayout;
    column->addLayout(l.panels);
    column->addLayout(l.display);
    column->addWidget(scroll, 1);
    return column;
}

void TdlgOption::BuildButtonsAndChoosers(QWidget* frame) {
    OKBtn = new QPushButton(QStringLiteral("OK"));
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    CancelBtn->setObjectName("CancelBtn");
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
    // A picture's extension in any case: both common spellings are named for a chooser of
    // the desktop's that matches names exactly; Qt's own matches any case (*.Bmp).
    OpenDialog->setNameFilter(QStringLiteral("ビットマップ(*.bmp *.BMP)"));
    OpenDialog->setFilter(OpenDialog->filter() & ~QDir::CaseSensitive);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    connect(OpenDialog, &QDialog::finished, this, [this] { HideCompletions(); });

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TdlgOption::BuildControl(const SettingEntry& e, Layouts& l) {
    using Builder = QWidget* (TdlgOption::*)(const SettingEntry&, Layouts&);
    static const std::pair<ControlKind, Builder> kBuilders[] = {
        {ControlKind::NumberField, &TdlgOption::BuildSpin},
        {ControlKind::Stepper, &TdlgOption::BuildSpin},
        {ControlKind::Check, &TdlgOption::BuildCheck},
        {ControlKind::BoldButton, &TdlgOption::BuildCheck},
        {ControlKind::Line, &TdlgOption::BuildText},
        {ControlKind::FontList, &TdlgOption::BuildText},
        {ControlKind::Slider, &TdlgOption::BuildSlider},
        {ControlKind::ColourPanel, &TdlgOption::BuildPanel},
        {ControlKind::PicturePanel, &TdlgOption::BuildPanel},
        {ControlKind::Folder, &TdlgOption::BuildFolder},
    };
    for (const auto& [kind, build] : kBuilders) {
        if (kind != e.control.kind) continue;
        QWidget* w = (this->*build)(e, l);
        w->setObjectName(e.control.name);
        if (e.control.hint) w->setToolTip(QString::fromUtf8(e.control.hint));
        return w;
    }
    return nullptr;
}

QWidget* TdlgOption::BuildSpin(const SettingEntry& e, Layouts& l) {
    // A typed field takes any whole number, as the files do (and shows any they hold); the
    // row's range bounds a field of arrows only.
    const bool typing = e.control.kind == ControlKind::NumberField;
    auto* spin = new SpinEdit(typing ? INT_MIN : e.range.least, typing ? INT_MAX : e.range.most,
                              typing, this);
    const int row = l.rowsAndColumns->count() / 3;  // three cells a row
    l.rowsAndColumns->addWidget(new QLabel(QString::fromUtf8(e.control.caption)), row, 0);
    l.rowsAndColumns->addWidget(spin, row, 1);
    l.rowsAndColumns->addWidget(new QLabel(QString::fromUtf8(e.control.unit)), row, 2);
    bindings_.push_back({&e, [spin](const SettingValue& v) { spin->setValue(std::get<int>(v)); },
                         [spin] { return SettingValue(spin->TextValue()); }});
    return spin;
}

QWidget* TdlgOption::BuildCheck(const SettingEntry& e, Layouts& l) {
    QAbstractButton* button = nullptr;
    if (e.control.kind == ControlKind::BoldButton) {
        auto* tool = new QToolButton;
        tool->setText(QString::fromUtf8(e.control.caption));
        tool->setCheckable(true);
        QFont boldFont = tool->font();
        boldFont.setBold(true);
        tool->setFont(boldFont);
        l.font->addWidget(tool);
        boldButton_ = tool;
        connect(tool, &QToolButton::clicked, this, [this] { spbBoldClick(); });
        button = tool;
    } else {
        button = new QCheckBox(QString::fromUtf8(e.control.caption));
        if (e.control.group == DialogGroup::Formatting)
            l.format->insertWidget(l.formatChecks++, button);
        else
            l.display->addWidget(button);
    }
    bindings_.push_back({&e,
                         [button](const SettingValue& v) { button->setChecked(std::get<bool>(v)); },
                         [button] { return SettingValue(button->isChecked()); }});
    return button;
}

QWidget* TdlgOption::BuildText(const SettingEntry& e, Layouts& l) {
    QLineEdit* field = nullptr;
    QWidget* control = nullptr;
    if (e.control.kind == ControlKind::FontList) {
        fontList_ = new QComboBox;
        fontList_->setEditable(true);
        fontList_->setInsertPolicy(QComboBox::NoInsert);
        l.font->insertWidget(0, fontList_, 1);
        connect(fontList_, &QComboBox::editTextChanged, this,
                [this](const QString& text) { SetSampleFace(text); });
        field = fontList_->lineEdit();
        control = fontList_;
    } else {
        field = new QLineEdit(Q(std::get<std::string>(e.def)));
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QString::fromUtf8(e.control.caption)));
        row->addWidget(field);
        l.format->addLayout(row);
        control = field;
    }
    bindings_.push_back(
        {&e, [field](const SettingValue& v) { field->setText(Q(std::get<std::string>(v))); },
         [field] { return SettingValue(field->text().toStdString()); }});
    return control;
}

QWidget* TdlgOption::BuildSlider(const SettingEntry& e, Layouts& l) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(e.range.least, e.range.most);
    slider->setSingleStep(10);
    slider->setPageStep(10);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBelow);
    auto* ends = new QHBoxLayout;
    ends->addWidget(new QLabel(QStringLiteral("遅い")));
    ends->addStretch(1);
    ends->addWidget(new QLabel(QStringLiteral("早い")));
    l.display->addWidget(new QLabel(QString::fromUtf8(e.control.caption)));
    l.display->addWidget(slider);
    l.display->addLayout(ends);
    bindings_.push_back({&e,
                         [slider](const SettingValue& v) { slider->setValue(std::get<int>(v)); },
                         [slider] { return SettingValue(slider->value()); }});
    return slider;
}

QWidget* TdlgOption::BuildPanel(const SettingEntry& e, Layouts& l) {
    const QString label = QString::fromUtf8(e.control.unit);
    auto column = std::find_if(l.columns.begin(), l.columns.end(),
                               [&](const auto& c) { return c.first == label; });
    if (column == l.columns.end()) {
        auto* box = new QVBoxLayout;
        box->setSpacing(2);
        box->addWidget(new QLabel(label));
        l.panels->addLayout(box);
        column = l.columns.insert(l.columns.end(), {label, box});
    }
    if (e.control.kind == ControlKind::PicturePanel) {
        auto* panel = new PicturePanel(this);
        column->second->addWidget(panel);
        pictures_.push_back({&e, panel, e.field == SettingField(&Settings::PageBGTexture), {}});
        const std::size_t index = pictures_.size() - 1;
        connect(panel, &PicturePanel::clicked, this,
                [this, index] { PickPicture(pictures_[index]); });
        return panel;
    }
    auto* panel = new ColorPanel(QString::fromUtf8(e.control.caption), this);
    column->second->addWidget(panel);
    connect(panel, &ColorPanel::clicked, this, [this, panel] { PickColor(panel); });
    const Color fallback = StringToColor(std::get<std::string>(e.def));
    bindings_.push_back({&e,
                         [panel, fallback](const SettingValue& v) {
                             Color c = fallback;
                             TryStringToColor(std::get<std::string>(v), c);
                             panel->SetColor(c);
                         },
                         [panel] { return SettingValue(ColorToString(panel->GetColor())); }});
    return panel;
}

QWidget* TdlgOption::BuildFolder(const SettingEntry& e, Layouts& l) {
    folderField_ = new QLineEdit;
    folderField_->setReadOnly(true);
    btnBKStandSelect = new QPushButton(QStringLiteral("参照.."));
    btnBKStandSelect->setObjectName("btnBKStandSelect");
    l.shelf->addWidget(new QLabel(QString::fromUtf8(e.control.caption)));
    l.shelf->addWidget(folderField_, 1);
    l.shelf->addWidget(btnBKStandSelect);
    connect(btnBKStandSelect, &QPushButton::clicked, this, [this] { btnBKStandSelectClick(); });
    QLineEdit* field = folderField_;
    bindings_.push_back(
        {&e, [field](const SettingValue& v) { field->setText(Q(std::get<std::string>(v))); },
         [field] { return SettingValue(field->text().toStdString()); }});
    return folderField_;
}

bool TdlgOption::Execute(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture) {
    FormShow(settings, baseTexture, pageTexture);
    CentreOnOwner();
    if (exec() != QDialog::Accepted) return false;
    OKBtnClick(settings, baseTexture, pageTexture);
    return true;
}

void TdlgOption::FormShow(const Settings& s, const Bitmap& baseTexture, const Bitmap& pageTexture) {
    FillFontList();
    for (const Binding& b : bindings_) b.show(ShownValue(*b.entry, s));
    for (PictureSlot& p : pictures_) {
        p.panel->SetPicture(p.page ? pageTexture : baseTexture);
        p.chosen = std::get<std::string>(ShownValue(*p.entry, s));
    }
    SetSampleFace(fontList_->currentText());
    spbBoldClick();
    memComment->setPlainText(QString::fromUtf8(kComment));
}

void TdlgOption::OKBtnClick(Settings& s, Bitmap& baseTexture, Bitmap& pageTexture) {
    for (const Binding& b : bindings_) SetShownValue(*b.entry, s, b.read());
    for (const PictureSlot& p : pictures_) {
        SetShownValue(*p.entry, s, p.chosen);
        (p.page ? pageTexture : baseTexture) = p.panel->Picture();
    }
}

// The first opening stands in the middle of the main window (the dialog's owner, else the
// active or the visible main window), frame and all: before it is shown the dialog's frame
// is not known yet, so it is taken to be the main window's.
void TdlgOption::CentreOnOwner() {
    if (testAttribute(Qt::WA_Moved)) return;
    QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!owner && w->isVisible() && qobject_cast<QMainWindow*>(w)) owner = w;
    if (!owner || owner == this || !owner->isVisible()) return;
    const QRect outer = owner->frameGeometry();
    const QRect inner = owner->geometry();
    const QSize frame(width() + outer.width() - inner.width(),
                      height() + outer.height() - inner.height());
    move(outer.center() - QPoint(frame.width() / 2, frame.height() / 2) + QPoint(1, 1));
}

const std::string& TdlgOption::ChosenBaseTexture() const {
    return pictures_[pictures_[0].page ? 1 : 0].chosen;
}

const std::string& TdlgOption::ChosenPageTexture() const {
    return pictures_[pictures_[0].page ? 0 : 1].chosen;
}

void TdlgOption::FillFontList() {
    // Filling the list must not change the text the field holds.
    const QString text = fontList_->currentText();
    fontList_->clear();
    for (const std::string& name : VerticalFontNames()) fontList_->addItem(Q(name));
    fontList_->setEditText(text);
}

void TdlgOption::SetSampleFace(const QString& fontName) {
    // The face of the name in the field, without its leading "@".
    QFont face(fontName.mid(1, 99));
    face.setPixelSize(15);
    face.setBold(boldButton_->isChecked());
    lblFontSample->setFont(face);
}

void TdlgOption::spbBoldClick() {
    QFont face = lblFontSample->font();
    face.setBold(boldButton_->isChecked());
    lblFontSample->setFont(face);
}

void TdlgOption::PickColor(ColorPanel* panel) {
    ColorDialog->setCurrentColor(lastColor_);
    if (ColorDialog->exec() != QDialog::Accepted) return;
    lastColor_ = ColorDialog->currentColor();
    panel->SetColor(FromQColor(lastColor_));
}

void TdlgOption::PickPicture(PictureSlot& slot) {
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
    slot.panel->SetPicture(std::move(read.Value()));
    slot.chosen = path;
}

// A name completion the file dialog was showing when it closed (Enter typed while the list
// was open) is a window of its own: left open, it would stand over this dialog and take the
// next click.
void TdlgOption::HideCompletions() {
    for (QCompleter* completer : OpenDialog->findChildren<QCompleter*>())
        if (completer->popup() && completer->popup()->isVisible()) completer->popup()->hide();
}

void TdlgOption::btnBKStandSelectClick() {
    folderField_->setText(BrowseForFolder(this));
}

QString BrowseForFolder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(
        owner, QStringLiteral("お好きなﾌｫﾙﾀﾞを選択して下さい。"), QStringLiteral("/"));
}

}  // namespace mirvo::ui
