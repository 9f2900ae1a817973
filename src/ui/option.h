// The settings dialog TdlgOption: the one place where the reader changes the preferences
// (layout, formatting switches, font, colours and pictures, page-turn speed, smoothing,
// bookshelf folder). Created once at start-up and shown modally by the settings command;
// it edits the settings and pictures it is handed, in memory only. Its controls, their
// order, captions and ranges, the setting each edits and how a value is shown (CharCount
// for RowBytes) come from the settings table.
#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/settings_table.h"
#include "render/bitmap.h"

class QAbstractButton;
class QBoxLayout;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace mirvo::ui {

// A panel of the dialog that a click on asks for a new value.
class ClickablePanel : public QWidget {
    Q_OBJECT
  public:
    explicit ClickablePanel(QWidget* parent);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A framed panel filled with a colour, its caption centred on it. The colour is kept as
// the settings hold it (a system colour stays one) and painted as it resolves.
class ColorPanel : public ClickablePanel {
    Q_OBJECT
  public:
    ColorPanel(const QString& caption, QWidget* parent);
    void SetColor(Color c);
    Color GetColor() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
    Color color_ = 0xFFFFFF;
};

// A framed panel showing a picture stretched to it.
class PicturePanel : public ClickablePanel {
    Q_OBJECT
  public:
    explicit PicturePanel(QWidget* parent);
    void SetPicture(const Bitmap& picture);
    const Bitmap& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Bitmap picture_;
};

class TdlgOption : public QDialog {
    Q_OBJECT
  public:
    explicit TdlgOption(QWidget* parent = nullptr);
    ~TdlgOption() override;

    // Opens the dialog on `settings` and the two pictures (FormShow), runs it modally and,
    // when it closes with OK, stores every control into them and returns true. Cancel
    // leaves them as they were. The first opening is centred on the main window.
    bool Execute(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture);

    // The controls of the settings are built from the settings table and named there
    // (findChild finds them by that name: "speRowCountInPage", "pnlPageColor", ...); these
    // are the dialog's own.
    QLabel* lblFontSample = nullptr;
    QPlainTextEdit* memComment = nullptr;
    QPushButton* btnBKStandSelect = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QColorDialog* ColorDialog = nullptr;
    QFileDialog* OpenDialog = nullptr;

    // The picture paths OK stores into BaseBGTexture and PageBGTexture.
    const std::string& ChosenBaseTexture() const;
    const std::string& ChosenPageTexture() const;

  private:
    // A control bound to a setting of the table: what it shows, and what OK reads.
    struct Binding {
        const SettingEntry* entry;
        std::function<void(const SettingValue&)> show;
        std::function<SettingValue()> read;
    };
    // A picture panel: its row, the path OK stores and whether it is the page texture.
    struct PictureSlot {
        const SettingEntry* entry;
        PicturePanel* panel;
        bool page;
        std::string chosen;
    };
    struct Layouts;

    void BuildControls();
    QWidget* BuildControl(const SettingEntry& e, Layouts& l);
    QWidget* BuildSpin(const SettingEntry& e, Layouts& l);
    QWidget* BuildCheck(const SettingEntry& e, Layouts& l);
    QWidget* BuildText(const SettingEntry& e, Layouts& l);
    QWidget* BuildSlider(const SettingEntry& e, Layouts& l);
    QWidget* BuildPanel(const SettingEntry& e, Layouts& l);
    QWidget* BuildFolder(const SettingEntry& e, Layouts& l);
    QBoxLayout* BuildLeftColumn(Layouts& l);
    QBoxLayout* BuildRightColumn(Layouts& l);
    void BuildButtonsAndChoosers(QWidget* frame);
    void FormShow(const Settings& settings, const Bitmap& baseTexture, const Bitmap& pageTexture);
    void OKBtnClick(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture);
    void CentreOnOwner();
    void FillFontList();
    void SetSampleFace(const QString& fontName);
    void spbBoldClick();
    void PickColor(ColorPanel* panel);
    void PickPicture(PictureSlot& slot);
    void HideCompletions();
    void btnBKStandSelectClick();

    std::vector<Binding> bindings_;  // in the order OK stores them
    std::vector<PictureSlot> pictures_;
    QComboBox* fontList_ = nullptr;
    QAbstractButton* boldButton_ = nullptr;
    QLineEdit* folderField_ = nullptr;
    QColor lastColor_ = Qt::black;  // the colour last chosen in ColorDialog
};

// The system folder browser with the dialog's title; the folder chosen, or "" when the
// reader cancels.
QString BrowseForFolder(QWidget* owner);

}  // namespace mirvo::ui
