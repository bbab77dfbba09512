#pragma once

#include "base/clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What the engine needs from the program around it: the main window's display and status bar,
// the timers, the clock, the message pump, the alert sound and the user's answers. The desktop
// shell and the console front end implement these; tests implement them with scripted fakes.
namespace velnorix {

// The main display as an ordered list of lines.
class DisplayLines {
public:
    virtual ~DisplayLines() = default;
    [[nodiscard]] virtual int Count() const = 0;
    [[nodiscard]] virtual std::string Line(int index) const = 0;
    virtual void Add(std::string_view line) = 0;
    // Inserts before `index`; an index equal to Count() appends.
    virtual void Insert(int index, std::string_view line) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // Inserts a probe's result line with the reason it failed (empty for a success). A display
    // that can show the reason beside its line keeps it; the line itself is what Insert takes.
    virtual void InsertResult(int index, std::string_view line,
                              [[maybe_unused]] std::string_view reason) {
        Insert(index, line);
    }
    // Changes between these two calls are drawn together at the end; a display may draw a long
    // run of them in chunks meanwhile, as long as it shows the same lines in the end.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // How many lines the view shows at once, for trimming old result blocks.
    [[nodiscard]] virtual int VisibleLineCount() const = 0;
};

// The status bar's one simple text.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    [[nodiscard]] virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
    // Shows why the probe just finished failed, for a few seconds and apart from the text;
    // a bar without room for it ignores it.
    virtual void ShowFailureReason([[maybe_unused]] std::string_view reason) {}
};

// A repeating timer whose tick the owner routes to the engine. Enabling it, or setting its
// interval while it is enabled, restarts its count. An interval of 0 never ticks.
class IntervalTimer {
public:
    virtual ~IntervalTimer() = default;
    virtual void SetInterval(std::int32_t milliseconds) = 0;
    [[nodiscard]] virtual std::int32_t Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool Enabled() const = 0;
};

// Where a blocking step (a probe call) runs.
class BlockingRunner {
public:
    virtual ~BlockingRunner() = default;
    // Runs `work` and returns when it is done; an exception thrown by `work` reaches the caller.
    virtual void RunBlocking(const std::function<void()>& work) = 0;
};

// Services of the program around the engine. During its blocking steps the window keeps
// painting and answering, but nothing that changes the run happens before the next pump.
class HostServices : public BlockingRunner {
public:
    // Lets pending window messages (commands, timer ticks, repaints) run once.
    virtual void PumpMessages() = 0;
    // Plays the alert sound and returns when it has ended.
    virtual void PlayErrorSound() = 0;
    // The folder the run's logs are written to, without a trailing "/".
    [[nodiscard]] virtual std::string LogDirectory() const = 0;
    // True when the cycle in progress is to probe no further target and close its block as a
    // stop closes it, because the operator insisted on stopping. Probe workers ask it too,
    // from their own threads.
    [[nodiscard]] virtual bool CutCycleShort() const { return false; }
    // True once the program has closed at a pump point: the window and its closing steps are
    // gone, so the engine stops at once and touches neither the logs nor the display.
    [[nodiscard]] virtual bool ProgramEnded() const { return false; }
};

struct FileDialogOptions {
    std::string InitialDirectory;
    std::string FilterName;       // "Ini File"; empty for no filter
    std::string FilterPattern;    // "*.ini"
    std::string FileName;         // preset name
    std::string DefaultExtension; // added to a typed name without one; empty for none
};

// Message boxes and file dialogs. "\r" in a message breaks the line.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // Error icon, title "Error", OK.
    virtual void ShowErrorBox(std::string_view message) = 0;
    // Information icon, OK.
    virtual void ShowInformation(std::string_view message) = 0;
    // Question icon, title "Confirm", one OK button.
    virtual void ShowConfirmation(std::string_view message) = 0;
    // Question icon, title "Confirm", Yes and No; true for Yes.
    virtual bool AskYesNo(std::string_view message) = 0;
    // The application-wide display of a failed operation: error icon, the application's title,
    // OK, and a final "." added when the message lacks one.
    virtual void ShowGeneralError(std::string_view message) = 0;
    // The chosen file's full name, or nothing when the operator cancelled.
    virtual std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) = 0;
    virtual std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) = 0;
};

// The message of a failed operation as the general error display shows it.
std::string GeneralErrorText(std::string_view message);

} // namespace velnorix
