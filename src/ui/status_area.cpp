#include "ui/status_area.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

#include "app/window_modes.h"

namespace mirvo::ui {
namespace {

constexpr int kScrollPanelWidth = 185;

}  // namespace

StatusArea::StatusArea(QWidget* parent) : QWidget(parent) {
    setObjectName("pnlStatus");
    setFixedHeight(kStatusAreaHeight);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* scrollPanel = new QWidget(this);
    scrollPanel->setObjectName("pnlScroll");
    scrollPanel->setFixedWidth(kScrollPanelWidth);
    auto* scrollLayout = new QHBoxLayout(scrollPanel);
    scrollLayout->setContentsMargins(2, 2, 2, 2);
    scbStatus_ = new QScrollBar(Qt::Horizontal, scrollPanel);
    scbStatus_->setObjectName("scbStatus");
    scbStatus_->setToolTip(QStringLiteral("クイックジャンプできます"));
    scbStatus_->setRange(1, 9999);
    scbStatus_->setValue(1);
    scbStatus_->setSingleStep(2);
    scbStatus_->setPageStep(2);
    scbStatus_->setFocusPolicy(Qt::NoFocus);
    scrollLayout->addWidget(scbStatus_);
    connect(scbStatus_, &QScrollBar::valueChanged, this, [this](int position) {
        if (!settingScroll_) emit scrolled(position);
    });
    connect(scbStatus_, &QScrollBar::sliderReleased, this,
            [this] { emit scrolled(scbStatus_->value()); });

    auto* status = new QStatusBar(this);
    status->setObjectName("stbStatus");
    status->setSizeGripEnabled(false);
    stbPanel0_ = new QLabel(status);
    stbPanel0_->setObjectName("stbPanel0");
    stbPanel0_->setFixedWidth(100);
    stbPanel1_ = new QLabel(status);
    stbPanel1_->setObjectName("stbPanel1");
    stbPanel1_->setMinimumWidth(50);
    status->addWidget(stbPanel0_);
    status->addWidget(stbPanel1_, 1);
    layout->addWidget(scrollPanel);
    layout->addWidget(status, 1);
}

void StatusArea::SetText(const QString& text) {
    if (text == stbPanel1_->text()) return;
    stbPanel1_->setText(text);
    stbPanel1_->repaint();
}

void StatusArea::SetPageIndicator(const QString& text) {
    stbPanel0_->setText(text);
}

void StatusArea::SetScrollBar(int min, int max, int position) {
    settingScroll_ = true;
    scbStatus_->setRange(min, max);
    scbStatus_->setValue(position);
    settingScroll_ = false;
}

}  // namespace mirvo::ui
