// The chooser's decisions, driven by control ids as its widgets send them.
#include "shell/mode_choice.h"

#include <gtest/gtest.h>

namespace {

struct Choice {
    int width;
    int height;
    bool windowed;
    bool play;
    bool open;
};

Choice current()
{
    return Choice{screenWidth, screenHeight, windowed, playChosen, chooserOpen};
}

void expectChoice(const Choice& want)
{
    EXPECT_EQ(screenWidth, want.width);
    EXPECT_EQ(screenHeight, want.height);
    EXPECT_EQ(windowed, want.windowed);
    EXPECT_EQ(playChosen, want.play);
    EXPECT_EQ(chooserOpen, want.open);
}

class ModeChoice : public ::testing::Test {
protected:
    void SetUp() override { resetModeChoice(); }
};

} // namespace

TEST_F(ModeChoice, StartsAtTheSelectedControlsValuesWithTheChooserOpen)
{
    // Dirty every value first, so the reset itself is what is checked.
    chooserCommand(chooseMode1024x768);
    chooserCommand(chooseWindowed);
    chooserCommand(choosePlay);
    resetModeChoice();
    expectChoice({640, 480, false, false, true});
}

TEST_F(ModeChoice, PlayWithoutClicksGives640x480FullScreen)
{
    chooserCommand(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoice, EachResolutionSetsItsOwnSize)
{
    chooserCommand(chooseMode800x600);
    EXPECT_EQ(screenWidth, 800);
    EXPECT_EQ(screenHeight, 600);
    chooserCommand(chooseMode1024x768);
    EXPECT_EQ(screenWidth, 1024);
    EXPECT_EQ(screenHeight, 768);
    // Choosing a resolution neither plays nor ends the chooser.
    EXPECT_FALSE(playChosen);
    EXPECT_TRUE(chooserOpen);
}

TEST_F(ModeChoice, TheLastResolutionClickedWins)
{
    chooserCommand(chooseMode1024x768);
    chooserCommand(chooseMode640x480);
    chooserCommand(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoice, WindowedIsAToggle)
{
    chooserCommand(chooseWindowed);
    EXPECT_TRUE(windowed);
    chooserCommand(chooseWindowed);
    EXPECT_FALSE(windowed);
    chooserCommand(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoice, ResolutionAndWindowedCombine)
{
    chooserCommand(chooseMode800x600);
    chooserCommand(chooseWindowed);
    chooserCommand(choosePlay);
    expectChoice({800, 600, true, true, false});
}

TEST_F(ModeChoice, ExitEndsTheChooserWithoutAShow)
{
    chooserCommand(chooseMode1024x768);
    chooserCommand(chooseExit);
    expectChoice({1024, 768, false, false, false});
}

TEST_F(ModeChoice, ExitClearsAnEarlierPlay)
{
    chooserCommand(choosePlay);
    chooserCommand(chooseExit);
    EXPECT_FALSE(playChosen);
    EXPECT_FALSE(chooserOpen);
}

TEST_F(ModeChoice, ClosingTheChooserEndsItWithoutAShow)
{
    chooserCommand(chooseWindowed);
    chooserClose();
    expectChoice({640, 480, true, false, false});
}

TEST_F(ModeChoice, IdsOutsideOneToSixDoNothing)
{
    chooserCommand(chooseMode800x600);
    chooserCommand(chooseWindowed);
    const Choice before = current();
    for (int id : {0, -1, 7, 8, 100, 0x10005, -5}) {
        chooserCommand(id);
        SCOPED_TRACE(id);
        expectChoice(before);
    }
}
