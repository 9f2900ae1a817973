#include "app/window_modes.h"

#include "app/reader.h"
#include "viewer/spread_layout.h"

namespace mirvo {

void WindowModes::msiAllDispClick(Reader& reader, WindowModeHost& host) {
    if (!allDisp_) {
        reader.SetSpreadHeightRatio(kFullScreenSpreadHeightRatio);
        const bool wasMaximised = host.ShowNormalState();
        try {
            reader.StoreWindowBounds(host.OuterBounds());
        } catch (const ProfileWriteError& e) {
            // Without the stored bounds there would be no way back: stay as before.
            reader.SetSpreadHeightRatio(kSpreadHeightRatio);
            if (wasMaximised) host.ShowMaximised();
            host.FormResize();
            host.ReportException(e.what());
            return;
        }
        host.ShowFullScreen();
        allDisp_ = true;
    } else {
        reader.SetSpreadHeightRatio(kSpreadHeightRatio);
        host.ShowNormalState();
        host.SetOuterBounds(reader.StoredWindowBounds());
        allDisp_ = false;
    }
    host.FormResize();
}

void WindowModes::msiHideTLBarClick(WindowModeHost& host) {
    hideTLBar_ = !hideTLBar_;
    host.SetToolBarsVisible(!hideTLBar_);
    host.FormResize();
}

void WindowModes::msiHideStBarClick(WindowModeHost& host) {
    hideStBar_ = !hideStBar_;
    host.SetStatusAreaHeight(hideStBar_ ? kCollapsedStatusAreaHeight : kStatusAreaHeight);
    host.FormResize();
}

}  // namespace mirvo
