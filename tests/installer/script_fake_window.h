#pragma once
// A window for the interpreter that records what the script does to it and answers every wait at
// once: when the interpreter sleeps inside a wait, the fake runs the next queued user action (if
// any) and then clicks the button the interpreter waits for. Sleeping only counts milliseconds.
#include "core/kz_script.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class FakeWindow : public TKzWindow {
  public:
    struct Control {
        std::string text;
        std::vector<std::string> lines; // panes only
        bool visible = true;
        bool enabled = true;
        bool readOnly = true;
        TKzClickHandler click;
    };

    explicit FakeWindow(TKzScript* script) : Script(script) {
        Controls[KzControl::FirstButton].click = [this] { Log.push_back("FirstButtonClick"); };
        Controls[KzControl::ButtonScript].text = "&Next >>";
    }

    TKzScript* Script;
    std::map<KzControl, Control> Controls;
    std::vector<std::string> Log;
    std::vector<std::string> Messages;
    std::vector<std::string> Programs;
    std::vector<std::string> NextCaptions; // caption of the Next button at every answered wait
    int OpeningWaits = 0;
    long long SleptMilliseconds = 0;
    int ProcessCalls = 0;
    KzKeyFilter Filter = KzKeyFilter::None;
    std::optional<KzControl> Focused;
    bool Busy = false;
    bool InAction = false;
    // Actions of the user, one per wait, run before the wait is answered; a false result leaves
    // the wait unanswered (as when the user pressed Quit instead).
    std::deque<std::function<bool()>> WaitActions;
    // Answers of the dialogs.
    std::deque<std::pair<bool, std::string>> NextDiskAnswers; // empty: Cancel
    std::vector<std::string> NextDiskFiles;
    std::pair<bool, std::string> DirectoryAnswer{false, {}};
    std::string GroupAnswer;

    const std::vector<std::string>& Pane(KzControl pane) { return Controls[pane].lines; }
    void Click(KzControl button) {
        if (auto handler = Controls[button].click) handler();
    }

    void SetText(KzControl c, const std::string& text) override {
        Controls[c].text = text;
        Log.push_back("SetText " + text);
    }
    std::string GetText(KzControl c) const override {
        auto it = Controls.find(c);
        return it == Controls.end() ? std::string() : it->second.text;
    }
    void BeginPaneUpdate(KzControl) override { Log.push_back("BeginPaneUpdate"); }
    void EndPaneUpdate(KzControl) override { Log.push_back("EndPaneUpdate"); }
    void ClearPane(KzControl c) override {
        Controls[c].lines.clear();
        Log.push_back("ClearPane");
    }
    void AppendLine(KzControl c, const std::string& line) override { Controls[c].lines.push_back(line); }
    void ScrollToTop(KzControl) override { Log.push_back("ScrollToTop"); }
    void SetVisible(KzControl c, bool visible) override { Controls[c].visible = visible; }
    bool IsVisible(KzControl c) const override {
        auto it = Controls.find(c);
        return it == Controls.end() || it->second.visible;
    }
    void SetEnabled(KzControl c, bool enabled) override { Controls[c].enabled = enabled; }
    void SetReadOnly(KzControl c, bool readOnly) override { Controls[c].readOnly = readOnly; }
    void SetKeyFilter(KzKeyFilter filter) override { Filter = filter; }
    void SetFocus(KzControl c) override { Focused = c; }
    TKzClickHandler SetClickHandler(KzControl c, TKzClickHandler handler) override {
        TKzClickHandler previous = std::move(Controls[c].click);
        Controls[c].click = std::move(handler);
        return previous;
    }
    void SetBusyCursor(bool busy) override { Busy = busy; }
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    void ProcessMessages() override { ++ProcessCalls; }
    void Sleep(int milliseconds) override {
        SleptMilliseconds += milliseconds;
        // A pause inside a user action (a dialog's answer, say) is not a new wait to answer.
        if (InAction || !Script || !(Script->WaitingForNext || Script->WaitingForOpening)) return;
        if (!WaitActions.empty()) {
            auto action = std::move(WaitActions.front());
            WaitActions.pop_front();
            InAction = true;
            const bool answer = action();
            InAction = false;
            if (!answer) return;
        }
        if (Script->WaitingForNext) {
            NextCaptions.push_back(Controls[KzControl::ButtonScript].text);
            Click(KzControl::ButtonScript);
        } else if (Script->WaitingForOpening) {
            ++OpeningWaits;
            Click(KzControl::FirstButton);
        }
    }
    // Each started program as its arguments joined by "|", so a test sees where one ends.
    void StartProgram(const std::vector<std::string>& arguments) override {
        std::string joined;
        for (const auto& argument : arguments)
            joined += (joined.empty() ? "" : "|") + argument;
        Programs.push_back(joined);
    }
    bool AskNextDisk(std::string& location, const std::string& neededFile) override {
        NextDiskFiles.push_back(neededFile);
        if (NextDiskAnswers.empty()) return false;
        auto [ok, newLocation] = NextDiskAnswers.front();
        NextDiskAnswers.pop_front();
        if (ok && !newLocation.empty()) location = newLocation;
        return ok;
    }
    bool SelectDirectory(std::string& directory) override {
        if (DirectoryAnswer.first) directory = DirectoryAnswer.second;
        return DirectoryAnswer.first;
    }
    std::string SelectProgramGroup() override { return GroupAnswer; }
};
