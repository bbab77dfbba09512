#include "app/about_box.h"
#include "app/version_info.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationDisplayName(QStringLiteral("Velnorix")); }

    std::vector<QUrl> m_opened;
    TAboutBox::LinkOpener m_opener = [this](const QUrl& url) { m_opened.push_back(url); };
};

TEST_F(AboutBoxTest, ShowsTitleVersionAndBuildOfTheCompiledInVersion) {
    struct Case {
        bool ThreePartBuild;
        QString Build;
    };
    const std::string build = BuildLine(kProgramVersion);
    for (const Case& c : {Case{true, QString::fromStdString(WithoutLastVersionPart(build))},
                          Case{false, QString::fromStdString(build)}}) {
        TAboutBox box(nullptr, m_opener);
        box.ThreePartBuild = c.ThreePartBuild;
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(box.Title->text(), QStringLiteral("Velnorix"));
        EXPECT_EQ(box.Version->text().toStdString(), VersionLine(kProgramVersion));
        box.FormActivate();
        EXPECT_EQ(box.Build->text(), c.Build);
        // Switching away and back must not trim again.
        box.FormActivate();
        EXPECT_EQ(box.Build->text(), c.Build);
        EXPECT_EQ(box.CorporateName->text(), QStringLiteral("Tessaly, Inc."));
        EXPECT_FALSE(box.Copyright->text().isEmpty());
        EXPECT_FALSE(box.Trademark->text().isEmpty());
    }
}

TEST(VersionInfoTest, LinesFromTheVersionParts) {
    EXPECT_EQ(VersionLine(FileVersion{65535, 10, 0, 12}), "Version: 65535.10");
    EXPECT_EQ(BuildLine(FileVersion{65535, 10, 0, 12}), "Build: 65535.10.0.12");
    EXPECT_EQ(BuildLine(kProgramVersion), "Build: " VELNORIX_VERSION);
    EXPECT_EQ(WithoutLastVersionPart("Build: 1.2.3.4"), "Build: 1.2.3");
    EXPECT_EQ(WithoutLastVersionPart("Build: 1.2.3"), "Build: 1.2");
    EXPECT_EQ(WithoutLastVersionPart("Build: 1"), "Build: 1");
}

TEST_F(AboutBoxTest, ActivationSetsTheTitleFontAndCentresTheLabels) {
    TAboutBox box(nullptr, m_opener);
    box.TitleSize = 30;
    box.FormActivate();
    EXPECT_EQ(box.Title->font().pointSize(), 30);
    EXPECT_EQ(box.Title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    // (panel width 409 - icon left 16 + icon width 41) / 2
    const int centreLine = 217;
    for (const QLabel* label :
         {box.Title, box.Version, box.Build, box.Copyright, box.Trademark, box.CorporateName,
          static_cast<QLabel*>(box.Mail), static_cast<QLabel*>(box.WebSite)}) {
        EXPECT_EQ(label->x(), centreLine - label->width() / 2) << label->text().toStdString();
        EXPECT_GT(label->width(), 0);
    }
    EXPECT_EQ(box.Title->y(), 24);
    EXPECT_EQ(box.WebSite->y(), 200);
    EXPECT_EQ(box.size(), QSize(426, 286));
    EXPECT_TRUE(box.OKButton->isDefault());
}

TEST_F(AboutBoxTest, CentresOnTheMainWindowOrOnTheScreen) {
    QWidget form;
    form.setGeometry(100, 120, 670, 460);
    form.show();

    TAboutBox onForm(nullptr, m_opener);
    onForm.CenterOnForm = &form;
    onForm.show();
    onForm.move(0, 0); // the operator moved it away
    onForm.FormActivate();
    const QRect formFrame = form.frameGeometry();
    const QRect boxFrame = onForm.frameGeometry();
    EXPECT_EQ(boxFrame.left(), formFrame.left() + formFrame.width() / 2 - boxFrame.width() / 2);
    EXPECT_EQ(boxFrame.top(), formFrame.top() + formFrame.height() / 2 - boxFrame.height() / 2);

    TAboutBox onScreen(nullptr, m_opener);
    onScreen.show();
    onScreen.FormActivate();
    const QSize screen = onScreen.screen()->geometry().size();
    EXPECT_EQ(onScreen.frameGeometry().left(),
              screen.width() / 2 - onScreen.frameGeometry().width() / 2);
    EXPECT_EQ(onScreen.frameGeometry().top(),
              screen.height() / 2 - onScreen.frameGeometry().height() / 2);
}

TEST_F(AboutBoxTest, ClickingALinkOpensItsAddress) {
    TAboutBox box(nullptr, m_opener);
    box.show();
    QTest::mouseClick(box.Mail, Qt::LeftButton);
    QTest::mouseClick(box.WebSite, Qt::LeftButton);
    QTest::mouseClick(box.CorporateName, Qt::LeftButton);
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[0], QUrl(QStringLiteral("mailto:contact@tessaly.example.com")));
    EXPECT_EQ(m_opened[1], QUrl(QStringLiteral("http://www.tessaly.example.com")));
    EXPECT_EQ(box.Mail->text(), QStringLiteral("Contact Tessaly, Inc."));
    EXPECT_EQ(box.WebSite->text(), QStringLiteral("Tessaly, Inc. Web Site"));
    EXPECT_EQ(box.Mail->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(box.Mail->toolTip().isEmpty()) << "the link is not shown as a tooltip";
}

TEST(LinkUrlTest, HintsBecomeAddresses) {
    struct Case {
        const char* Hint;
        const char* Url;
    };
    for (const Case& c :
         {Case{"MailTo: contact@tessaly.example.com", "mailto:contact@tessaly.example.com"},
          Case{"Http://www.tessaly.example.com", "http://www.tessaly.example.com"},
          Case{"  https://example.com/a b", "https://example.com/a%20b"}}) {
        EXPECT_EQ(LinkUrl(QString::fromLatin1(c.Hint)).toString(QUrl::FullyEncoded),
                  QString::fromLatin1(c.Url))
            << c.Hint;
    }
}

} // namespace
} // namespace velnorix
