#include "reports/forms/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

class LogViewTest : public testing::Test {
protected:
    LogViewTest() {
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(12);
        m_view.setFont(font);
        m_view.resize(400, 300);
        m_view.show();
        m_view.setFocus();
    }

    void Load(const std::string& text) { m_view.SetText(LogText(text)); }
    void Put(TextPosition caret) { m_view.Select({caret, caret}); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&m_view, key, modifiers);
    }
    [[nodiscard]] TextPosition Caret() const { return m_view.Selection().Caret; }
    [[nodiscard]] std::string Line(std::int32_t index) const {
        return std::string(m_view.Text().Line(index));
    }

    LogView m_view;
};

TEST_F(LogViewTest, EditingKeysChangeTheTextAtTheCaret) {
    struct Case {
        const char* What;
        TextPosition Caret;
        std::function<void()> Keys;
        std::vector<std::string> Lines;
        TextPosition After;
    };
    const std::vector<Case> cases = {
        {"typing",
         {0, 3},
         [this] { QTest::keyClicks(&m_view, QStringLiteral("XY")); },
         {"abcXYdef", "gh"},
         {0, 5}},
        {"enter", {0, 3}, [this] { Key(Qt::Key_Return); }, {"abc", "def", "gh"}, {1, 0}},
        {"backspace joins lines", {1, 0}, [this] { Key(Qt::Key_Backspace); }, {"abcdefgh"}, {0, 6}},
        {"delete joins lines", {0, 6}, [this] { Key(Qt::Key_Delete); }, {"abcdefgh"}, {0, 6}},
        {"backspace at the start does nothing",
         {0, 0},
         [this] { Key(Qt::Key_Backspace); },
         {"abcdef", "gh"},
         {0, 0}},
        {"typing replaces a selection",
         {0, 1},
         [this] {
             Key(Qt::Key_Down, Qt::ShiftModifier);
             QTest::keyClicks(&m_view, QStringLiteral("-"));
         },
         {"a-h"},
         {0, 2}},
    };
    for (const Case& c : cases) {
        Load("abcdef\r\ngh");
        Put(c.Caret);
        c.Keys();
        std::vector<std::string> lines;
        for (std::int32_t i = 0; i < m_view.Text().LineCount(); ++i)
            lines.push_back(Line(i));
        EXPECT_EQ(lines, c.Lines) << c.What;
        EXPECT_EQ(Caret(), c.After) << c.What;
    }
}

TEST_F(LogViewTest, UpAndDownKeepTheColumnAcrossShortLines) {
    Load("abcdef\nab\nabcdef\n");
    Put({0, 5});
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TextPosition{1, 2}));
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TextPosition{2, 5}));
    Key(Qt::Key_End);
    Key(Qt::Key_Up);
    EXPECT_EQ(Caret(), (TextPosition{1, 2}));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Caret(), (TextPosition{3, 0}));
    Key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_view.Selection(), (TextSelection{{3, 0}, {0, 0}}));
}

TEST_F(LogViewTest, LeftAndRightStepOverWholeCharactersAndLineEnds) {
    Load("d\xC3\xA9\xF0\x9F\x98\x80x\r\nz");
    Put({0, 0});
    std::vector<TextPosition> visited;
    for (int i = 0; i < 6; ++i) {
        Key(Qt::Key_Right);
        visited.push_back(Caret());
    }
    const std::vector<TextPosition> expected = {{0, 1}, {0, 3}, {0, 7}, {0, 8}, {1, 0}, {1, 1}};
    EXPECT_EQ(visited, expected);
    Put({0, 7});
    Key(Qt::Key_Backspace); // removes the four bytes of one character
    EXPECT_EQ(Line(0), "d\xC3\xA9x");
}

TEST_F(LogViewTest, CopiesAndPastesThroughTheClipboard) {
    Load("one\r\ntwo\r\nthree");
    m_view.Select({{0, 1}, {1, 2}});
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ne\ntw"));
    Put({2, 5});
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Line(2), "threene");
    EXPECT_EQ(Line(3), "tw");
    EXPECT_EQ(Caret(), (TextPosition{3, 2}));
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m_view.Selection(), (TextSelection{{0, 0}, {3, 2}}));
}

TEST_F(LogViewTest, ClickingPlacesTheCaretAndDraggingSelects) {
    Load("first line\nsecond line\nthird line");
    const QPoint start = m_view.CursorRect({1, 2}).center();
    const QPoint end = m_view.CursorRect({2, 5}).center();
    QTest::mousePress(m_view.viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, end, m_view.viewport()->mapToGlobal(end), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view.viewport(), &move);
    QTest::mouseRelease(m_view.viewport(), Qt::LeftButton, {}, end);
    EXPECT_EQ(m_view.Selection(), (TextSelection{{1, 2}, {2, 5}}));
    EXPECT_EQ(m_view.SelectedText(), QStringLiteral("cond line\nthird"));
}

TEST_F(LogViewTest, DrawsEveryFailureBoldRedOnYellowAndNothingElse) {
    Load("   1 Success:  0.10 secs\n   2 Failure:  5.02 secs\n   3 failure: lower case\n");
    const QImage image = m_view.viewport()->grab().toImage();
    const auto countIn = [&image](QRect area, auto&& wanted) {
        int count = 0;
        area = area.intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += wanted(image.pixelColor(x, y)) ? 1 : 0;
        return count;
    };
    const auto yellow = [](QColor c) { return c == QColor(255, 255, 0); };
    const auto red = [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
    const auto lineArea = [this](std::int32_t line) {
        return QRect(m_view.CursorRect({line, 0}).topLeft(),
                     m_view.CursorRect({line, 40}).bottomRight());
    };
    const QRect match(m_view.CursorRect({1, 5}).topLeft(), m_view.CursorRect({1, 13}).bottomLeft());
    EXPECT_GT(countIn(match, yellow), match.width() * match.height() / 2);
    EXPECT_GT(countIn(match, red), 10);
    EXPECT_EQ(countIn(lineArea(0), yellow), 0);
    EXPECT_EQ(countIn(lineArea(2), yellow), 0);
    EXPECT_EQ(
        countIn(lineArea(1).adjusted(match.right() - lineArea(1).left() + 3, 0, 0, 0), yellow), 0);
}

TEST_F(LogViewTest, AVeryLongLineIsReachedAtBothEnds) {
    std::string line(100'000, 'a');
    line.replace(60'000, 8, "Failure:");
    Load("short\n" + line + "\nshort");
    Put({1, 0});
    Key(Qt::Key_End);
    EXPECT_EQ(Caret(), (TextPosition{1, 100'000}));
    EXPECT_TRUE(m_view.viewport()->rect().contains(m_view.CursorRect(Caret())));

    const TextPosition inside{1, 60'004};
    m_view.Select({inside, inside});
    const QRect at = m_view.CursorRect(inside);
    EXPECT_TRUE(m_view.viewport()->rect().contains(at));
    QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, at.center());
    EXPECT_EQ(Caret(), inside); // drawing and hit testing agree far out in the line
    Key(Qt::Key_Home);
    EXPECT_EQ(m_view.CursorRect(Caret()).left(), m_view.CursorRect({0, 0}).left());
}

TEST_F(LogViewTest, PageDownMovesByTheLinesOnScreen) {
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "line " + std::to_string(i) + "\n";
    Load(text);
    Put({0, 2});
    Key(Qt::Key_PageDown);
    const std::int32_t page = Caret().Line;
    EXPECT_GT(page, 5);
    EXPECT_EQ(m_view.FirstVisibleLine(), page);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Caret(), (TextPosition{2 * page, 2}));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Caret().Line, page);
}

} // namespace
} // namespace velnorix
