#include "config/forms/config_form.h"
#include "config/forms/radio_group.h"
#include "config/forms/target_form.h"
#include "config/forms/targets_dialog.h"
#include "engine/run_model.h"
#include "forms_test_support.h"
#include "kit/scripted_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::As;
using kit::Control;
using kit::DialogScript;
using kit::ScriptedPrompts;

int Press(QDialog& dialog, const char* button) {
    QTest::mouseClick(&Control<QAbstractButton>(dialog, button), Qt::LeftButton);
    return dialog.result();
}

void SelectOnly(QDialog& form, int row) {
    auto& list = Control<QListWidget>(form, "Targets");
    list.clearSelection();
    list.item(row)->setSelected(true);
}

class TargetsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        m_model.SetTargetCount(3);
        const char* addresses[] = {"10.0.0.1", "10.0.0.25", "http://www.example.com/"};
        const std::string_view tags[] = {kTagPing, kTagSmtp, kTagHtml};
        for (int index = 0; index < 3; ++index) {
            TargetSettings& target = m_model.Target(index);
            target.SetType(tags[index]);
            target.Addr = addresses[index];
            target.Port = DefaultPort(TestTypeOf(tags[index]));
            target.Audible = index != 1;
            m_model.StatisticsOf(index) = {.Attempts = 5 + index,
                                           .Failures = 1,
                                           .TotalMs = 400,
                                           .LowMs = 50,
                                           .HighMs = 200,
                                           .CertificateExpiry = 0,
                                           .LastReason = {}};
        }
        m_model.Config.IntervalHours = 1;
        m_model.Config.IntervalMins = 2;
        m_model.Config.IntervalSecs = 3;
        m_model.Config.Parallel = 5;
    }

    // Every change the dialog offers, short of confirming; the editor's answers are queued
    // just before the editor opens.
    void EditEverything(QDialog& form) {
        m_script.Then([](QDialog& editor) { return Press(editor, "SaveButton"); });
        Press(form, "AddButton");
        SelectOnly(form, 0);
        m_script.Then([](QDialog& editor) {
            Control<QLineEdit>(editor, "edtPort").setText(QStringLiteral("7"));
            return Press(editor, "SaveButton");
        });
        Press(form, "EditButton");
        SelectOnly(form, 1);
        Press(form, "DeleteButton");
        Press(form, "ClearButton");
        Control<QLineEdit>(form, "HrsEdit").setText(QStringLiteral("09"));
        Control<RadioGroup>(form, "rgDeleteLogs").Button(0)->click();
    }

    RunModel m_model;
    ScriptedPrompts m_prompts;
    DialogScript m_script;
};

bool SameTargets(const RunModel& a, const RunModel& b) {
    return a.Config.Targets == b.Config.Targets && a.Statistics == b.Statistics;
}

TEST_F(TargetsDialogTest, LeavingWithoutDoneChangesNothing) {
    const std::pair<const char*, std::function<void(QDialog&)>> ways[] = {
        {"Cancel", [](QDialog& form) { Press(form, "CancelButton"); }},
        {"close box", [](QDialog& form) { form.close(); }},
        {"Escape", [](QDialog& form) { QTest::keyClick(&form, Qt::Key_Escape); }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        const RunModel before = m_model;
        m_script.Then([this, &leave = leave](QDialog& form) {
            EditEverything(form);
            leave(form);
            return form.result();
        });
        EXPECT_FALSE(EditTargetsAndOptions(nullptr, m_model, m_prompts, m_script.Runner()));
        EXPECT_TRUE(m_script.Finished());
        EXPECT_TRUE(SameTargets(m_model, before));
        EXPECT_EQ(m_model.TargetCount(), before.TargetCount());
        EXPECT_EQ(m_model.Config.IntervalHours, before.Config.IntervalHours);
        EXPECT_EQ(m_model.Config.DeleteLogs, before.Config.DeleteLogs);
        EXPECT_FALSE(m_model.IniChanged);
    }
}

TEST_F(TargetsDialogTest, DoneWritesTheDialogIntoTheModel) {
    m_script.Then([](QDialog& form) {
        SelectOnly(form, 1);
        Press(form, "DeleteButton");
        Control<RadioGroup>(form, "rgDeleteLogs").Button(0)->click();
        QLineEdit& parallel = Control<QLineEdit>(form, "ParallelEdit");
        EXPECT_EQ(parallel.text(), QStringLiteral("5"));
        parallel.setText(QStringLiteral("12"));
        return Press(form, "DoneButton");
    });
    EXPECT_TRUE(EditTargetsAndOptions(nullptr, m_model, m_prompts, m_script.Runner()));
    ASSERT_EQ(m_model.TargetCount(), 2);
    ASSERT_EQ(m_model.Statistics.size(), 2u);
    EXPECT_EQ(m_model.Target(0).Addr, "10.0.0.1");
    EXPECT_EQ(m_model.Target(1).Addr, "http://www.example.com/");
    EXPECT_EQ(m_model.StatisticsOf(0).Attempts, 0);
    EXPECT_TRUE(m_model.Config.DeleteLogs);
    EXPECT_EQ(m_model.Config.IntervalSecs, 3);
    EXPECT_EQ(m_model.Config.Parallel, 12);
    EXPECT_TRUE(m_model.IniChanged);
}

// The real modal loops, driven from inside them: the configuration dialog opens centred on its
// parent, Add opens the editor, and Done ends both loops with the model updated.
TEST_F(TargetsDialogTest, RunsInItsOwnModalLoopCentredOnTheParent) {
    QWidget parent;
    parent.setGeometry(50, 40, 700, 500); // inside the offscreen screen, which clamps windows
    parent.show();
    QPoint dialogCentre;
    QTimer::singleShot(0, &parent, [&] {
        auto* form = qobject_cast<TVelnorixConfigForm*>(QApplication::activeModalWidget());
        if (!form) {
            ADD_FAILURE() << "the configuration dialog is not the modal window";
            QApplication::activeModalWidget()->close();
            return;
        }
        dialogCentre = form->geometry().center();
        QTimer::singleShot(0, form, [] {
            if (auto* editor =
                    qobject_cast<TVelnorixTargetForm*>(QApplication::activeModalWidget()))
                Press(*editor, "SaveButton");
            else
                QApplication::activeModalWidget()->close();
        });
        Press(*form, "AddButton");
        Press(*form, "DoneButton");
    });

    EXPECT_TRUE(EditTargetsAndOptions(&parent, m_model, m_prompts));
    EXPECT_LE((dialogCentre - parent.geometry().center()).manhattanLength(), 2);
    ASSERT_EQ(m_model.TargetCount(), 4);
    EXPECT_EQ(m_model.Target(3).Type, "<HTML>");
    EXPECT_EQ(m_model.Target(3).Port, 80);
}

} // namespace
} // namespace velnorix
