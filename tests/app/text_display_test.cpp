#include "app/failure_highlighter.h"
#include "app/text_display.h"
#include "engine/display_blocks.h"

#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace velnorix {
namespace {

std::vector<std::string> ShownLines(const TextDisplay& display) {
    std::vector<std::string> lines;
    if (display.Count() == 0)
        return lines;
    for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next())
        lines.push_back(block.text().toStdString());
    return lines;
}

std::vector<std::string> ModelLines(const TextDisplay& display) {
    std::vector<std::string> lines;
    for (int i = 0; i < display.Count(); ++i)
        lines.push_back(display.Line(i));
    return lines;
}

// One engine operation and the list it leaves behind.
struct Step {
    char Op; // 'a' add, 'i' insert, 'd' delete, 'c' clear
    int Index;
    std::string Text;
    std::vector<std::string> Expected;
};

TEST(TextDisplayTest, LinesFollowAddInsertDeleteAndClear) {
    const std::vector<Step> steps = {
        {'a', 0, "header", {"header"}},
        {'a', 0, " ", {"header", " "}},
        {'i', 1, "third", {"header", "third", " "}},
        {'i', 0, "top", {"top", "header", "third", " "}},
        {'i', 4, "end", {"top", "header", "third", " ", "end"}},
        {'d', 4, "", {"top", "header", "third", " "}},
        {'d', 0, "", {"header", "third", " "}},
        {'d', 1, "", {"header", " "}},
        {'d', 0, "", {" "}},
        {'d', 0, "", {}},
        {'i', 0, "", {""}},
        {'a', 0, "after empty", {"", "after empty"}},
        {'c', 0, "", {}},
        {'i', 0, "again", {"again"}},
    };
    for (const bool batched : {false, true}) {
        TextDisplay display;
        for (const Step& step : steps) {
            if (batched)
                display.BeginUpdate();
            switch (step.Op) {
            case 'a':
                display.Add(step.Text);
                break;
            case 'i':
                display.Insert(step.Index, step.Text);
                break;
            case 'd':
                display.Delete(step.Index);
                break;
            default:
                display.Clear();
            }
            EXPECT_EQ(ModelLines(display), step.Expected) << step.Op << step.Index;
            if (batched)
                display.EndUpdate();
            EXPECT_EQ(ShownLines(display), step.Expected)
                << step.Op << step.Index << (batched ? " batched" : "");
        }
    }
}

TEST(TextDisplayTest, ABatchChangesTheShownTextOnceAtItsEnd) {
    TextDisplay display;
    display.Add("header");
    QSignalSpy changes(display.document(), &QTextDocument::contentsChange);
    display.BeginUpdate();
    display.Insert(1, " ");
    display.BeginUpdate(); // batches nest
    for (int i = 0; i < 50; ++i)
        display.Insert(1, "   1 12:00:00 Jan 01, 2026  Success:  0.01 secs  <Ping>127.0.0.1");
    display.EndUpdate();
    display.Delete(display.Count() - 1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(ShownLines(display), std::vector<std::string>{"header"});
    EXPECT_EQ(display.Count(), 51);
    display.EndUpdate();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(ShownLines(display), ModelLines(display));
    display.EndUpdate(); // an unmatched end changes nothing
    EXPECT_EQ(changes.count(), 1);

    // A long batch is drawn a chunk at a time meanwhile, and as a whole at its end.
    const std::size_t shownBefore = ShownLines(display).size();
    display.BeginUpdate();
    for (int i = 0; i < 600; ++i)
        display.Insert(1, "line " + std::to_string(i));
    EXPECT_EQ(ShownLines(display).size(), shownBefore + 512);
    display.EndUpdate();
    EXPECT_EQ(ShownLines(display), ModelLines(display));
}

TEST(TextDisplayTest, ClearInsideABatchDropsWhatWasCollectedBefore) {
    TextDisplay display;
    display.Add("old");
    display.BeginUpdate();
    display.Add("collected");
    display.Clear();
    display.Add("new");
    display.EndUpdate();
    EXPECT_EQ(ShownLines(display), std::vector<std::string>{"new"});
}

TEST(TextDisplayTest, IndexesOutsideTheListAreRefused) {
    TextDisplay display;
    display.Add("only");
    EXPECT_THROW(display.Insert(2, "x"), std::out_of_range);
    EXPECT_THROW(display.Insert(-1, "x"), std::out_of_range);
    EXPECT_THROW(display.Delete(1), std::out_of_range);
    EXPECT_THROW(display.Line(1), std::out_of_range);
    EXPECT_THROW(display.Line(-1), std::out_of_range);
    EXPECT_EQ(ShownLines(display), std::vector<std::string>{"only"});
}

TEST(TextDisplayTest, ALineWithLineBreaksStaysOneLine) {
    TextDisplay display;
    display.Add("first");
    display.Insert(1, "<HTML>http://a\r\nb\rc\nd");
    display.Add("last");
    EXPECT_EQ(display.Count(), 3);
    EXPECT_EQ(display.Line(1), "<HTML>http://a\r\nb\rc\nd") << "the engine's bytes are kept";
    EXPECT_EQ(ShownLines(display),
              (std::vector<std::string>{"first", "<HTML>http://a  b c d", "last"}));
}

TEST(TextDisplayTest, ThousandsOfLinesStayInStep) {
    TextDisplay display;
    display.Add("header");
    for (int cycle = 0; cycle < 400; ++cycle) {
        display.BeginUpdate();
        display.Insert(1, " ");
        for (int target = 0; target < 10; ++target)
            display.Insert(1, std::to_string(cycle) + " line " + std::to_string(target));
        display.EndUpdate();
    }
    ASSERT_EQ(display.Count(), 1 + 400 * 11);
    EXPECT_EQ(display.document()->blockCount(), display.Count());
    EXPECT_EQ(display.Line(1), "399 line 9");
    EXPECT_EQ(display.Line(display.Count() - 1), " ");
    EXPECT_EQ(display.document()->findBlockByNumber(display.Count() - 2).text().toStdString(),
              "0 line 0");
}

// The reason the tooltip gives for each shown line.
std::vector<std::string> ShownReasons(const TextDisplay& display) {
    std::vector<std::string> reasons;
    for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next())
        reasons.push_back(
            display.ReasonAt(display.cursorRect(QTextCursor(block)).center()).toStdString());
    return reasons;
}

TEST(TextDisplayTest, CycleBlocksTrimsAndMixedBatchesShowTheLinesAndReasonsTheEngineKeeps) {
    TextDisplay display;
    display.resize(600, 1200);
    display.show();
    display.Add("header");
    display.Add(" ");
    std::vector<std::string> reasons{"", ""}; // expected, by line; kept in step below
    for (int cycle = 0; cycle < 6; ++cycle) {
        const int linesBefore = display.Count();
        {
            const DisplayUpdate update(display);
            display.Insert(2, " ");
            reasons.insert(reasons.begin() + 2, "");
            for (int target = 0; target < 4; ++target) {
                const std::string reason =
                    target % 2 == 1 ? "refused " + std::to_string(cycle * 10 + target) : "";
                display.InsertResult(2, std::to_string(cycle) + " line " + std::to_string(target),
                                     reason);
                reasons.insert(reasons.begin() + 2, reason);
            }
        }
        TrimOldBlocks(display, 4, 10, 2 + display.Count() - linesBefore);
        reasons.resize(static_cast<std::size_t>(display.Count()));
        EXPECT_EQ(ShownLines(display), ModelLines(display)) << cycle;
    }
    EXPECT_EQ(
        ModelLines(display),
        (std::vector<std::string>{"header", " ", "5 line 3", "5 line 2", "5 line 1", "5 line 0",
                                  " ", "4 line 3", "4 line 2", "4 line 1", "4 line 0", " "}));
    EXPECT_EQ(ShownReasons(display), reasons);

    // Deletes in the middle and appends in one batch.
    display.BeginUpdate();
    for (const int line : {3, 3, 2}) {
        display.Delete(line);
        reasons.erase(reasons.begin() + line);
    }
    display.Add("tail");
    display.InsertResult(display.Count(), "tail 2", "timed out");
    reasons.insert(reasons.end(), {"", "timed out"});
    display.EndUpdate();
    EXPECT_EQ(ShownLines(display), ModelLines(display));
    EXPECT_EQ(ModelLines(display).size(), 11U);
    EXPECT_EQ(ShownReasons(display), reasons);
}

TEST(TextDisplayTest, EveryFailureKeywordIsHighlighted) {
    TextDisplay display;
    display.Add("   1 12:00:00 Jan 01, 2026  Failure:  5.02 secs  <Ping>Failure:host");
    display.Add("   1 12:00:00 Jan 01, 2026  Success:  0.02 secs  <Ping>failure:host");
    display.document()->documentLayout(); // lay the text out so the formats exist
    const QTextCharFormat wanted = FailureHighlighter::FailureFormat();

    const QList<QTextLayout::FormatRange> failed =
        display.document()->findBlockByNumber(0).layout()->formats();
    ASSERT_EQ(failed.size(), 2);
    EXPECT_EQ(failed[0].start, 28);
    EXPECT_EQ(failed[1].start, 55);
    for (const QTextLayout::FormatRange& range : failed) {
        EXPECT_EQ(range.length, 8);
        EXPECT_EQ(range.format.fontWeight(), QFont::Bold);
        EXPECT_EQ(range.format.foreground().color(), QColor(255, 0, 0));
        EXPECT_EQ(range.format.background().color(), QColor(255, 255, 0));
    }
    EXPECT_TRUE(display.document()->findBlockByNumber(1).layout()->formats().isEmpty())
        << "the keyword is matched with its letter case";
}

} // namespace
} // namespace velnorix
