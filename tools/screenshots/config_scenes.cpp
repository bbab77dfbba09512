#include "config/forms/config_form.h"
#include "config/forms/target_form.h"
#include "config/target_entry_text.h"
#include "kit/scripted_prompts.h"
#include "scene.h"

#include <QApplication>
#include <QDialog>

namespace velnorix::screenshots {
namespace {

// The target editor on a POP3 server reached over TLS, as Edit opens it from the list.
QImage TargetEditorWithSecurity() {
    kit::ScriptedPrompts prompts;
    TVelnorixTargetForm editor(nullptr, prompts);
    editor.PrepareEdit(
        ParseTargetEntry("<POP3>mail.example.org  <User>monitor  <AUDIBLE>  <TLS>  <Port>995"));
    editor.show();
    QApplication::processEvents();
    return Grab(editor);
}

// The configuration dialog with plain and protected mail targets and the expiry warning set.
QImage ConfigurationDialog() {
    kit::ScriptedPrompts prompts;
    TVelnorixConfigForm dialog(nullptr, prompts, [](QDialog&) { return int{QDialog::Rejected}; });
    Configuration settings;
    for (const char* entry :
         {"<HTML>https://www.example.org/  <AUDIBLE>  <Port>443",
          "<POP3>mail.example.org  <User>monitor  <AUDIBLE>  <TLS>  <Port>995",
          "<SMTP>mail.example.org  <STARTTLS>  <Port>587", "<Ping>192.0.2.10  <Port>0"})
        settings.Targets.push_back(TargetOfEntryText(entry));
    settings.IntervalMins = 5;
    settings.CertWarnDays = 14;
    dialog.ShowSettings(settings);
    dialog.show();
    QApplication::processEvents();
    return Grab(dialog);
}

} // namespace

std::vector<Scene> ConfigScenes() {
    return {
        {"target-editor-security", TargetEditorWithSecurity},
        {"configuration-dialog", ConfigurationDialog},
    };
}

} // namespace velnorix::screenshots
