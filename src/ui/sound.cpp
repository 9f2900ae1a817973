#include "ui/sound.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace mirvo::ui {

PageTurnSound::PageTurnSound(QString path) : path_(std::move(path)) {}

PageTurnSound::~PageTurnSound() {
    delete effect_;
}

void PageTurnSound::Play() {
    if (!QFileInfo::exists(path_)) {
        QApplication::beep();
        return;
    }
    if (!effect_) {
        effect_ = new QSoundEffect;
        effect_->setSource(QUrl::fromLocalFile(path_));
    }
    if (effect_->isPlaying()) return;
    if (effect_->status() == QSoundEffect::Error) return;  // no audio device: silence
    effect_->play();
}

}  // namespace mirvo::ui
