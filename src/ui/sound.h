// The page-turn sound "Change.WAV" beside the program: played asynchronously, dropped while
// it is still playing; a missing file gives the desktop's beep, no audio device silence.
#pragma once

#include <QString>

class QSoundEffect;

namespace mirvo::ui {

class PageTurnSound {
  public:
    explicit PageTurnSound(QString path);
    ~PageTurnSound();
    PageTurnSound(const PageTurnSound&) = delete;
    PageTurnSound& operator=(const PageTurnSound&) = delete;
    void Play();

  private:
    QString path_;
    QSoundEffect* effect_ = nullptr;  // made at the first turn
};

}  // namespace mirvo::ui
