#include "app/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

// The title of the menu in the bar that holds an item of this caption; empty for none.
std::string MenuHolding(const QMenuBar& bar, const QString& caption) {
    for (const QAction* menu : bar.actions()) {
        for (const QAction* item : menu->menu()->actions()) {
            if (item->text() == caption)
                return menu->text().toStdString();
        }
    }
    return {};
}

class MainMenusTest : public testing::Test {
protected:
    MainMenusTest() {
        for (QAction* item :
             {m_menus.New1, m_menus.Open1, m_menus.StartTest1, m_menus.StopTest1, m_menus.Exit1,
              m_menus.Summary1, m_menus.Log1, m_menus.SummaryLog1, m_menus.DeleteLogFiles1,
              m_menus.Targets1, m_menus.Save1, m_menus.SaveAs1})
            QObject::connect(item, &QAction::triggered, &m_window,
                             [this, item] { m_clicked.push_back(item->text().toStdString()); });
    }

    QWidget m_window;
    QMenuBar m_bar{&m_window};
    std::vector<std::string> m_clicked;
    MainMenus m_menus{m_bar, &m_window, [this] { m_clicked.push_back("repaint and pump"); }};
};

TEST_F(MainMenusTest, NoItemHasAShortcutOrAnAcceleratorLetter) {
    QList<QAction*> items = m_menus.PopupMenu1->actions();
    for (QAction* menu : m_bar.actions()) {
        items.push_back(menu);
        for (QAction* item : menu->menu()->actions())
            items.push_back(item);
    }
    for (const QAction* item : items) {
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->text().toStdString();
        EXPECT_FALSE(item->text().contains(u'&')) << item->text().toStdString();
    }
}

// Each item of the context menu performs an item of the menu bar, and says which: by its caption,
// after the title of its menu where the context menu adds one ("View: Summary").
TEST_F(MainMenusTest, ContextItemsPerformTheirMainItems) {
    struct Case {
        QAction* Context;
        std::vector<std::string> Clicks;
    };
    const Case cases[] = {
        {m_menus.New2, {"New"}},
        {m_menus.Open2, {"Open"}},
        {m_menus.StartTest2, {"repaint and pump", "Start Test"}},
        {m_menus.StopTest2, {"Stop Test"}},
        {m_menus.Summary2, {"Summary"}},
        {m_menus.Log2, {"Detail Log"}},
        {m_menus.SummaryLog2, {"Summary Log"}},
        {m_menus.DeleteLogFiles2, {"Stop Test", "Delete Log Files"}},
        {m_menus.Targets2, {"Targets/Options"}},
        {m_menus.Save2, {"Save"}},
        {m_menus.SaveAs2, {"SaveAs"}},
        {m_menus.Exit2, {"Exit"}},
    };
    m_menus.SetStartTestEnabled(true);
    for (const Case& c : cases) {
        const std::string caption = c.Context->text().toStdString();
        m_clicked.clear();
        c.Context->trigger();
        EXPECT_EQ(m_clicked, c.Clicks) << caption;
        const std::string& main = c.Clicks.back();
        const std::string menu = MenuHolding(m_bar, QString::fromStdString(main));
        EXPECT_FALSE(menu.empty()) << main << " is in no menu of the bar";
        EXPECT_TRUE(caption == main || caption == menu + ": " + main) << caption;
        EXPECT_TRUE(m_menus.PopupMenu1->actions().contains(c.Context)) << caption;
    }
}

TEST_F(MainMenusTest, AContextItemDoesNothingWhileItsMainItemIsDisabled) {
    m_menus.SetStartTestEnabled(false);
    EXPECT_FALSE(m_menus.StartTest1->isEnabled());
    EXPECT_FALSE(m_menus.StartTest2->isEnabled());
    m_menus.StartTest2->setEnabled(true); // the context item itself may be enabled
    m_menus.StartTest2->trigger();
    EXPECT_EQ(m_clicked, std::vector<std::string>{"repaint and pump"});

    m_clicked.clear();
    m_menus.Save1->setEnabled(false);
    m_menus.Save2->trigger();
    EXPECT_TRUE(m_clicked.empty());
}

TEST_F(MainMenusTest, ChangingAMainItemReportsAMenuChange) {
    QSignalSpy changes(&m_menus, &MainMenus::MainMenu1Change);
    m_menus.SetStartTestEnabled(false);
    const int afterDisabling = static_cast<int>(changes.count());
    EXPECT_GE(afterDisabling, 1);
    m_menus.SetStartTestEnabled(false);
    EXPECT_EQ(changes.count(), afterDisabling) << "no change, no report";

    QSignalSpy popups(&m_menus, &MainMenus::PopupMenu1Popup);
    m_menus.PopupMenu1->popup(QPoint(10, 10));
    EXPECT_EQ(popups.count(), 1);
    m_menus.PopupMenu1->close();
}

} // namespace
} // namespace velnorix
