#include "ui/application.h"

#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>
#include <cstdio>
#include <deque>
#include <exception>
#include <utility>

namespace mirvo::ui {
namespace {

struct HeldReport {
    QString text;
    std::function<void()> show;
};

ReportPhase phase = ReportPhase::Running;
std::deque<HeldReport> held;

void WriteToStandardError(const QString& text) {
    std::fprintf(stderr, "mirvo: %s\n", text.toUtf8().constData());
}

// Qt 6 asks for the file dialog's type names ("Folder", "Drive", "%1 File") under the
// context QAbstractFileIconProvider, where its Japanese catalogue still keeps them under
// QFileDialog: they are taken from there.
class FileTypeNames : public QTranslator {
  public:
    FileTypeNames(const QTranslator* qtbase, QObject* parent)
        : QTranslator(parent), qtbase_(qtbase) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        return qtbase_->translate("QFileDialog", source, disambiguation, n);
    }

  private:
    const QTranslator* qtbase_;
};

}  // namespace

MirvoApplication::MirvoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: Qt would append it to every window's caption, and the dialogs'
    // captions are exactly their own ("(・o・)/ < 確認してね", "警告", ...).
    setApplicationName(QStringLiteral("Mirvo"));
    LoadQtJapanese();
}

bool MirvoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("不明なエラーが発生しました。"));
    }
    return false;
}

void MirvoApplication::ShowException(const QString& message) {
    ShowReport(message, [message] {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Mirvo"), message,
                        QMessageBox::NoButton, activeWindow());
        box.setObjectName(QStringLiteral("MirvoError"));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    });
}

bool LoadQtJapanese() {
    auto* qtbase = new QTranslator(qApp);
    if (!qtbase->load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(qtbase)) {
        delete qtbase;
        return false;
    }
    QCoreApplication::installTranslator(new FileTypeNames(qtbase, qtbase));
    return true;
}

void KeepQtSettingsIn(const std::string& folder) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(folder));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

void SetReportPhase(ReportPhase next) {
    phase = next;
    while (!held.empty() && next != ReportPhase::Starting) {
        // A report shown here may bring another: it is shown in its turn.
        HeldReport report = std::move(held.front());
        held.pop_front();
        if (phase == ReportPhase::Ending)
            WriteToStandardError(report.text);
        else
            report.show();
    }
}

ReportPhase CurrentReportPhase() {
    return phase;
}

void ShowReport(const QString& text, std::function<void()> show) {
    switch (phase) {
        case ReportPhase::Starting:
            held.push_back({text, std::move(show)});
            break;
        case ReportPhase::Running:
            show();
            break;
        case ReportPhase::Ending:
            WriteToStandardError(text);
            break;
    }
}

}  // namespace mirvo::ui
