// The main window's frame bookkeeping as the window system reports to it: the normal
// bounds through full-screen round trips, and stored bounds brought onto the screen.
#include <QTest>
#include <climits>

#include "ui/main_actions.h"
#include "ui/window_frame.h"

namespace mirvo::ui {
namespace {

class WindowFrameTest : public QObject {
    Q_OBJECT
  private slots:
    // What openbox reports through full-screen round trips: the window that has just left
    // full screen is placed before its frame is told, so for a while its frame is its
    // client area. The outer bounds must stay those of the frame, round trip after round
    // trip (they once lost 2 x 25 px and moved 20 px down at each).
    void outerBoundsSurviveTheFrameArrivingLate() {
        const QRect outer(340, 287, 602, 471);
        const QRect client = outer.marginsRemoved(QMargins(1, 20, 1, 1));
        NormalBounds bounds;
        bounds.Follow(client, client);  // first shown: no frame yet
        bounds.Follow(outer, client);
        QCOMPARE(bounds.Outer(), outer);
        for (int trip = 0; trip < 3; ++trip) {
            const QRect screen(0, 0, 1280, 1024);
            bounds.LeftNormalState(screen, screen, screen);  // full screen
            QCOMPARE(bounds.Outer(), outer);
            bounds.Follow(client, client);  // back, the frame not told yet
            QCOMPARE(bounds.Outer(), outer);
            bounds.Follow(outer, client);
            QCOMPARE(bounds.Outer(), outer);
        }
    }

    // A window system that sizes the window to the screen before it says that the window
    // is maximised: those bounds were never the normal ones.
    void boundsSizedToTheScreenBeforeMaximisingAreNotTheNormalOnes() {
        const QRect available(0, 0, 1280, 1004);
        const QMargins margins(1, 20, 1, 1);
        const QRect outer(100, 100, 600, 470);
        NormalBounds bounds;
        bounds.Follow(outer, outer.marginsRemoved(margins));
        const QRect maxClient = available.marginsRemoved(margins);
        for (const QRect& frame : {available, maxClient}) {  // the frame told, or not yet
            NormalBounds b = bounds;
            b.Follow(frame, maxClient);
            b.LeftNormalState(frame, maxClient, available);
            QCOMPARE(b.Outer(), outer);
        }
    }

    void storedBoundsAreBroughtOntoTheScreen() {
        const QRect screen(0, 0, 1280, 1004);
        const QSize minimum(320, 240);
        const struct {
            WindowBounds stored;  // top, left, width, height
            QRect expected;
        } cases[] = {
            {{90, 120, 700, 520}, QRect(120, 90, 700, 520)},  // fits: kept
            {{0, 0, 1280, 1004}, screen},
            {{1000000, 1000000, 1000000, 1000000}, screen},
            {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, screen},
            {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, screen},
            {{-50, -80, 600, 460}, QRect(0, 0, 600, 460)},
            {{990, 1270, 600, 460}, QRect(680, 544, 600, 460)},
            {{10, 10, 0, -5}, QRect(10, 10, 320, 240)},
            {{10, 10, INT_MIN, 300}, QRect(10, 10, 320, 300)},
        };
        for (const auto& c : cases)
            QCOMPARE(BoundedOuterBounds(c.stored, screen, minimum), c.expected);
        // A screen smaller than the minimum bounds the minimum.
        QCOMPARE(BoundedOuterBounds({0, 0, 10, 10}, QRect(0, 0, 200, 100), minimum),
                 QRect(0, 0, 200, 100));
    }

    // Every item of the tables has a name of its own, and every place it names exists.
    void actionTablesNameTheirItemsOnce() {
        QSet<QString> names, menus, bars;
        auto once = [&names](const char* name) {
            if (!name) return true;
            const bool fresh = !names.contains(name);
            names.insert(name);
            return fresh;
        };
        for (const MenuRow& m : MenuTable()) {
            QVERIFY(once(m.name));
            QVERIFY(!m.parent || !*m.parent || menus.contains(m.parent));
            menus.insert(m.name);
        }
        for (const ActionRow& a : ActionTable()) {
            QVERIFY2(once(a.name), a.name);
            QVERIFY(menus.contains(a.menu));
            QCOMPARE(!a.name, a.command == Command::None);
        }
        for (const ToolBarRow& t : ToolBarTable()) {
            QVERIFY(once(t.name));
            bars.insert(t.name);
        }
        for (const ToolButtonRow& b : ToolButtonTable()) {
            QVERIFY2(once(b.name), b.name);
            QVERIFY(bars.contains(b.toolBar));
        }
    }
};

}  // namespace
}  // namespace mirvo::ui

QTEST_MAIN(mirvo::ui::WindowFrameTest)
#include "window_frame_test.moc"
