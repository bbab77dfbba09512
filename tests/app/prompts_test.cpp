#include "app/qt_user_prompts.h"
#include "app/status_bar_line.h"
#include "gui_waits.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::WhenModalOpens;

struct BoxSeen {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QStringList Buttons;
};

// Records the box that opens and presses the button with `answer` as its text.
void AnswerBox(BoxSeen& seen, const QString& answer) {
    WhenModalOpens([&seen, answer](QWidget& modal) {
        auto& box = dynamic_cast<QMessageBox&>(modal);
        seen.Title = box.windowTitle();
        seen.Text = box.text();
        seen.Icon = box.icon();
        for (QAbstractButton* button : box.buttons())
            seen.Buttons.append(button->text().remove(u'&'));
        seen.Buttons.sort();
        for (QAbstractButton* button : box.buttons()) {
            if (button->text().remove(u'&') == answer)
                button->click();
        }
    });
}

class PromptsTest : public testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationDisplayName(QStringLiteral("Velnorix")); }

    QWidget m_parent;
    QtUserPrompts m_prompts{&m_parent};
};

TEST_F(PromptsTest, MessageBoxesHaveTheirTitlesIconsAndButtons) {
    struct Case {
        std::function<void()> Show;
        QString Title;
        QMessageBox::Icon Icon;
        QStringList Buttons;
        QString Text;
    };
    const Case cases[] = {
        {[this] { m_prompts.ShowErrorBox("Ini file is empty!\rPlease try again."); },
         QStringLiteral("Error"),
         QMessageBox::Critical,
         {QStringLiteral("OK")},
         QStringLiteral("Ini file is empty!\nPlease try again.")},
        {[this] { m_prompts.ShowConfirmation("No Ini Name established!\rPlease try again"); },
         QStringLiteral("Confirm"),
         QMessageBox::Question,
         {QStringLiteral("OK")},
         QStringLiteral("No Ini Name established!\nPlease try again")},
        {[this] { m_prompts.ShowInformation("No failures found"); },
         QStringLiteral("Information"),
         QMessageBox::Information,
         {QStringLiteral("OK")},
         QStringLiteral("No failures found")},
        {[this] { m_prompts.ShowGeneralError("Range check error"); },
         QStringLiteral("Velnorix"),
         QMessageBox::Critical,
         {QStringLiteral("OK")},
         QStringLiteral("Range check error.")},
        {[this] { m_prompts.ShowGeneralError("Failed to write value to INI file."); },
         QStringLiteral("Velnorix"),
         QMessageBox::Critical,
         {QStringLiteral("OK")},
         QStringLiteral("Failed to write value to INI file.")},
    };
    for (const Case& c : cases) {
        BoxSeen seen;
        AnswerBox(seen, QStringLiteral("OK"));
        c.Show();
        EXPECT_EQ(seen.Title, c.Title);
        EXPECT_EQ(seen.Icon, c.Icon);
        EXPECT_EQ(seen.Buttons, c.Buttons);
        EXPECT_EQ(seen.Text, c.Text);
    }
}

TEST_F(PromptsTest, YesNoQuestionReturnsTheAnswer) {
    for (const bool yes : {true, false}) {
        BoxSeen seen;
        AnswerBox(seen, yes ? QStringLiteral("Yes") : QStringLiteral("No"));
        EXPECT_EQ(m_prompts.AskYesNo("There is an unsaved Ini File;\rDo you wish to save?"), yes);
        EXPECT_EQ(seen.Title, QStringLiteral("Confirm"));
        EXPECT_EQ(seen.Icon, QMessageBox::Question);
        EXPECT_EQ(seen.Buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
        EXPECT_EQ(seen.Text, QStringLiteral("There is an unsaved Ini File;\nDo you wish to save?"));
    }
}

TEST(DialogTextTest, CarriageReturnsBreakLines) {
    EXPECT_EQ(DialogText("a\rb"), QStringLiteral("a\nb"));
    EXPECT_EQ(DialogText("a\r\nb"), QStringLiteral("a\nb"));
    EXPECT_EQ(DialogText("Socket Error # 111\r\nConnection refused"),
              QStringLiteral("Socket Error # 111\nConnection refused"));
    EXPECT_EQ(DialogText("plain"), QStringLiteral("plain"));
}

TEST_F(PromptsTest, SaveDialogStartsInTheFolderWithThePresetNameAndAddsTheExtension) {
    kit::TempDir dir;
    FileDialogOptions options;
    options.InitialDirectory = dir.Path();
    options.FileName = "Velnorix.Ini";
    options.DefaultExtension = "ini";
    QString directory;
    QString preset;
    QString suffix;
    bool asksBeforeReplacing = true;
    WhenModalOpens([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        directory = dialog.directory().absolutePath();
        preset = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        suffix = dialog.defaultSuffix();
        asksBeforeReplacing = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("monitor"));
        static_cast<QDialog&>(dialog).accept(); // QFileDialog hides its override
    });
    const std::optional<std::string> chosen = m_prompts.ChooseFileToSave(options);
    EXPECT_EQ(directory, QString::fromStdString(dir.Path()));
    EXPECT_EQ(preset, QStringLiteral("Velnorix.Ini"));
    EXPECT_EQ(suffix, QStringLiteral("ini"));
    EXPECT_FALSE(asksBeforeReplacing);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.File("monitor.ini"));
}

TEST_F(PromptsTest, OpenDialogFiltersIniFilesAndAcceptsANewName) {
    kit::TempDir dir;
    FileDialogOptions options;
    options.InitialDirectory = dir.Path();
    options.FilterName = "Ini File";
    options.FilterPattern = "*.ini";
    QStringList filters;
    WhenModalOpens([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        filters = dialog.nameFilters();
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("absent.ini"));
        static_cast<QDialog&>(dialog).accept(); // QFileDialog hides its override
    });
    const std::optional<std::string> chosen = m_prompts.ChooseFileToOpen(options);
    EXPECT_EQ(filters, QStringList{QStringLiteral("Ini File (*.ini)")});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.File("absent.ini"));
}

TEST_F(PromptsTest, CancellingADialogChoosesNothing) {
    WhenModalOpens([](QWidget& modal) { dynamic_cast<QDialog&>(modal).reject(); });
    EXPECT_FALSE(m_prompts.ChooseFileToOpen(FileDialogOptions{}).has_value());
}

TEST(StatusTextTest, TabsPlaceThePartsOfTheText) {
    using Parts = std::array<std::string, 3>;
    EXPECT_EQ(SplitStatusText("\tTesting-->   127.0.0.1"),
              (Parts{"", "Testing-->   127.0.0.1", ""}));
    EXPECT_EQ(SplitStatusText("/srv/Velnorix.Ini Saved"),
              (Parts{"/srv/Velnorix.Ini Saved", "", ""}));
    EXPECT_EQ(SplitStatusText("\t3 Cycles in 0:00:10  Test Stopped!  Test Stopped!"),
              (Parts{"", "3 Cycles in 0:00:10  Test Stopped!  Test Stopped!", ""}));
    EXPECT_EQ(SplitStatusText("a\tb\tc\td"), (Parts{"a", "b", "c\td"}));
    EXPECT_EQ(SplitStatusText(""), (Parts{"", "", ""}));
}

} // namespace
} // namespace velnorix
