// The chooser's decisions, driven by control ids as its widgets send them,
// and where start-up keeps them.
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

class ModeChoiceTest : public ::testing::Test {
protected:
    ModeChoice choice;

    Choice current() const { return Choice{choice.width, choice.height, choice.windowed, choice.play, choice.open}; }

    void expectChoice(const Choice& want) const
    {
        EXPECT_EQ(choice.width, want.width);
        EXPECT_EQ(choice.height, want.height);
        EXPECT_EQ(choice.windowed, want.windowed);
        EXPECT_EQ(choice.play, want.play);
        EXPECT_EQ(choice.open, want.open);
    }
};

} // namespace

TEST_F(ModeChoiceTest, StartsAtTheSelectedControlsValuesWithTheChooserOpen)
{
    expectChoice({640, 480, false, false, true});
}

TEST_F(ModeChoiceTest, StartUpKeepsTheChoiceWhereTheProgramReadsIt)
{
    choice.click(chooseMode800x600);
    choice.click(chooseWindowed);
    choice.click(choosePlay);
    keepChoice(choice);
    EXPECT_EQ(screenWidth, 800);
    EXPECT_EQ(screenHeight, 600);
    EXPECT_TRUE(windowed);
    EXPECT_TRUE(playChosen);
    keepChoice(ModeChoice{});
    EXPECT_EQ(screenWidth, 640);
    EXPECT_EQ(screenHeight, 480);
    EXPECT_FALSE(windowed);
    EXPECT_FALSE(playChosen);
}

TEST_F(ModeChoiceTest, PlayWithoutClicksGives640x480FullScreen)
{
    choice.click(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoiceTest, EachResolutionSetsItsOwnSize)
{
    choice.click(chooseMode800x600);
    EXPECT_EQ(choice.width, 800);
    EXPECT_EQ(choice.height, 600);
    choice.click(chooseMode1024x768);
    EXPECT_EQ(choice.width, 1024);
    EXPECT_EQ(choice.height, 768);
    // Choosing a resolution neither plays nor ends the chooser.
    EXPECT_FALSE(choice.play);
    EXPECT_TRUE(choice.open);
}

TEST_F(ModeChoiceTest, TheLastResolutionClickedWins)
{
    choice.click(chooseMode1024x768);
    choice.click(chooseMode640x480);
    choice.click(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoiceTest, WindowedIsAToggle)
{
    choice.click(chooseWindowed);
    EXPECT_TRUE(choice.windowed);
    choice.click(chooseWindowed);
    EXPECT_FALSE(choice.windowed);
    choice.click(choosePlay);
    expectChoice({640, 480, false, true, false});
}

TEST_F(ModeChoiceTest, ResolutionAndWindowedCombine)
{
    choice.click(chooseMode800x600);
    choice.click(chooseWindowed);
    choice.click(choosePlay);
    expectChoice({800, 600, true, true, false});
}

TEST_F(ModeChoiceTest, ExitEndsTheChooserWithoutAShow)
{
    choice.click(chooseMode1024x768);
    choice.click(chooseExit);
    expectChoice({1024, 768, false, false, false});
}

TEST_F(ModeChoiceTest, ExitClearsAnEarlierPlay)
{
    choice.click(choosePlay);
    choice.click(chooseExit);
    EXPECT_FALSE(choice.play);
    EXPECT_FALSE(choice.open);
}

TEST_F(ModeChoiceTest, ClosingTheChooserEndsItWithoutAShow)
{
    choice.click(chooseWindowed);
    choice.close();
    expectChoice({640, 480, true, false, false});
}

TEST_F(ModeChoiceTest, IdsOutsideOneToSixDoNothing)
{
    choice.click(chooseMode800x600);
    choice.click(chooseWindowed);
    const Choice before = current();
    for (int id : {0, -1, 7, 8, 100, 0x10005, -5}) {
        choice.click(id);
        SCOPED_TRACE(id);
        expectChoice(before);
    }
}
