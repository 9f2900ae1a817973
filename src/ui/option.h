// The settings dialog TdlgOption: the one place where the reader changes the preferences
// (layout, formatting switches, font, colours and pictures, page-turn speed, smoothing,
// bookshelf folder). Created once at start-up and shown modally by the settings command;
// it edits the reader core's settings in memory only. Which setting each control edits,
// and how a value is shown (CharCount for RowBytes), comes from the settings table.
#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/settings_table.h"
#include "render/bitmap.h"

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

namespace mirvo {
class Reader;
}

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

    // Opens the dialog on `settings` and the two texture pictures (FormShow), runs it
    // modally and returns true when it closed with OK, after OKBtnClick has stored every
    // control into them. A colour setting that is no colour throws ColorConversionError
    // before it shows.
    bool Execute(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture);

    // Components, named as the dialog's design names them.
    QSpinBox* speRowCountInPage;
    QSpinBox* speCharCountInRow;
    QSpinBox* speCharSpace;
    QCheckBox* ckbRuby;
    QCheckBox* ckbImage;
    QCheckBox* ckbComment;
    QCheckBox* ckbAozoraNotes;
    QLineEdit* edtIndexChar;
    QLabel* lblFontSample;
    QComboBox* cmbFontList;
    QToolButton* spbBold;
    PicturePanel* imgBaseTexture;
    ColorPanel* pnlPageColor;
    PicturePanel* imgPageTexture;
    ColorPanel* pnlCoverColor;
    QCheckBox* ckbPageTexture;
    QSlider* trbChangeSpeed;
    QCheckBox* ckbUseAlias;
    QPlainTextEdit* memComment;
    QLineEdit* edtBKStandFolder;
    QPushButton* btnBKStandSelect;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QColorDialog* ColorDialog;
    QFileDialog* OpenDialog;

    // The picture paths OK stores into BaseBGTexture and PageBGTexture.
    const std::string& ChosenBaseTexture() const { return chosenBaseTexture_; }
    const std::string& ChosenPageTexture() const { return chosenPageTexture_; }

  private:
    // A control bound to a setting of the table: what it shows, and what OK reads.
    struct Binding {
        const SettingEntry* entry;
        std::function<void(const SettingValue&)> show;
        std::function<SettingValue()> read;
    };

    void BuildControls();
    void BindControls();
    void FormShow();
    void OKBtnClick();
    void FillFontList();
    void SetSampleFace(const QString& fontName);
    void spbBoldClick();
    void PickColor(ColorPanel* panel);
    void PickPicture(PicturePanel* picture, std::string& chosen);
    void btnBKStandSelectClick();

    struct Edited {
        Settings& settings;
        Bitmap& baseTexture;
        Bitmap& pageTexture;
    };
    Edited* edited_ = nullptr;
    std::vector<Binding> bindings_;  // in the order OK stores them
    std::string chosenBaseTexture_, chosenPageTexture_;
    QColor lastColor_ = Qt::black;  // the colour last chosen in ColorDialog
};

// The system folder browser with the dialog's title; the folder chosen, or "" when the
// reader cancels.
QString BrowseForFolder(QWidget* owner);

}  // namespace mirvo::ui
