// Hover tracking of the fading button, driven by posted mouse and timer
// messages: the fade step goes 0 to 5 and back, turns around mid-fade, never
// leaves 0..5, and does not start with the left button held.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "ui/fade_button.h"

namespace {

class FadeButtonHoverTest : public WidgetDialogTest {
protected:
    void SetUp() override {
        // The real cursor stays away from the button: timer 10 reads it.
        RECT screen = dialog.install.GetWindowRect();
        POINT away{screen.left - 40, screen.top - 40};
        SetCursorPos(away.x, away.y);
        POINT cursor{};
        GetCursorPos(&cursor);
        ASSERT_FALSE(PtInRect(&screen, cursor)) << "cursor could not be moved off the button";
    }

    HWND Button() const { return dialog.install.Handle(); }
    void MoveInside(WPARAM flags = 0) { Deliver(Button(), WM_MOUSEMOVE, flags, MAKELPARAM(5, 5)); }
    void MoveOutside() { Deliver(Button(), WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5)); }
    void CheckCursor() { Deliver(Button(), WM_TIMER, CFadeButton::kHoverTimer, 0); }
    // Fade ticks; returns the step after each.
    std::vector<int> Ticks(int count) {
        std::vector<int> steps;
        for (int i = 0; i < count; ++i) {
            Deliver(Button(), WM_TIMER, CFadeButton::kFadeTimer, 0);
            steps.push_back(dialog.install.FadeStep());
        }
        return steps;
    }
};

TEST_F(FadeButtonHoverTest, FadesInToFiveAndOutToZero) {
    EXPECT_EQ(dialog.install.FadeStep(), 0);
    MoveInside();
    EXPECT_TRUE(dialog.install.IsHovering());
    EXPECT_EQ(dialog.install.FadeDirection(), +1);
    EXPECT_EQ(Ticks(7), (std::vector<int>{1, 2, 3, 4, 5, 5, 5}));
    EXPECT_EQ(dialog.install.FadeDirection(), 0);

    MoveInside();  // moving within the button changes nothing
    EXPECT_EQ(Ticks(1), (std::vector<int>{5}));

    CheckCursor();  // the cursor is elsewhere: the mouse has left
    EXPECT_FALSE(dialog.install.IsHovering());
    EXPECT_EQ(dialog.install.FadeDirection(), -1);
    EXPECT_EQ(Ticks(7), (std::vector<int>{4, 3, 2, 1, 0, 0, 0}));
    EXPECT_EQ(dialog.install.FadeDirection(), 0);
}

TEST_F(FadeButtonHoverTest, LeavingMidFadeTurnsTheFadeAround) {
    struct Case {
        const char* how;
        bool byTimer;  // the hover timer notices, or a mouse move outside
    };
    for (const Case& c : {Case{"hover timer", true}, Case{"mouse move", false}}) {
        SCOPED_TRACE(c.how);
        MoveInside();
        EXPECT_EQ(Ticks(3), (std::vector<int>{1, 2, 3}));
        if (c.byTimer)
            CheckCursor();
        else
            MoveOutside();
        EXPECT_FALSE(dialog.install.IsHovering());
        EXPECT_EQ(Ticks(5), (std::vector<int>{2, 1, 0, 0, 0}));
        // Back in while fading out: the fade turns up from where it is.
        MoveInside();
        EXPECT_EQ(Ticks(2), (std::vector<int>{1, 2}));
        CheckCursor();
        EXPECT_EQ(Ticks(3), (std::vector<int>{1, 0, 0}));
    }
}

TEST_F(FadeButtonHoverTest, StepNeverLeavesZeroToFive) {
    std::mt19937 random(20261210);
    for (int event = 0; event < 600; ++event) {
        switch (random() % 5) {
            case 0:
                MoveInside();
                break;
            case 1:
                MoveOutside();
                break;
            case 2:
                CheckCursor();
                break;
            default:
                Ticks(1);
                break;
        }
        int step = dialog.install.FadeStep();
        ASSERT_GE(step, 0) << "event " << event;
        ASSERT_LE(step, 5) << "event " << event;
        int direction = dialog.install.FadeDirection();
        ASSERT_TRUE(direction >= -1 && direction <= 1) << "event " << event;
    }
}

TEST_F(FadeButtonHoverTest, NoHoverWithTheLeftButtonHeldOrWhenDisabled) {
    MoveInside(MK_LBUTTON);
    EXPECT_FALSE(dialog.install.IsHovering());
    EXPECT_EQ(Ticks(3), (std::vector<int>{0, 0, 0})) << "no fade runs";

    dialog.install.EnableWindow(false);
    MoveInside();
    EXPECT_FALSE(dialog.install.IsHovering());
    EXPECT_EQ(Ticks(2), (std::vector<int>{0, 0}));
    dialog.install.EnableWindow(true);

    // Once hovering, a held button does not stop the tracking.
    MoveInside();
    MoveInside(MK_LBUTTON);
    EXPECT_TRUE(dialog.install.IsHovering());
}

TEST_F(FadeButtonHoverTest, LosingTheFocusEndsTheHoverLookButKeepsTheStep) {
    MoveInside();
    Ticks(5);
    Deliver(Button(), WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(dialog.install.IsHovering());
    EXPECT_EQ(dialog.install.FadeStep(), 5);
}

TEST_F(FadeButtonHoverTest, RealTimersRunTheFade) {
    MoveInside();
    // The hover timer sees the cursor outside, and the fade timer runs the
    // fade in and out again (about 150 ms each way; allow a busy machine).
    auto settled = [this] {
        return !dialog.install.IsHovering() && dialog.install.FadeStep() == 0 &&
               dialog.install.FadeDirection() == 0;
    };
    DWORD start = GetTickCount();
    do {
        PumpMessagesFor(50);
    } while (!settled() && GetTickCount() - start < 10000);
    EXPECT_TRUE(settled()) << "step " << dialog.install.FadeStep() << ", direction "
                           << dialog.install.FadeDirection();
}

}  // namespace
