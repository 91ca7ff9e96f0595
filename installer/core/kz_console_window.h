#pragma once
// The window of an unattended run (--silent): no window at all. What a user would read in the
// panes, the title and the caption goes to standard output as progress lines; every wait goes on
// at once, as if Next had been pressed; and a question cannot be answered, so the interpreter ends
// the run with an error instead of asking (CanAsk).
#include "core/kz_window.h"

#include <cstdio>
#include <map>
#include <string>

class TKzScript;

class TKzConsoleWindow : public TKzWindow {
  public:
    TKzConsoleWindow(TKzScript& script, std::FILE* out) : Script(script), Out(out) {}

    void SetText(KzControl control, const std::string& text) override;
    std::string GetText(KzControl control) const override;
    void BeginPaneUpdate(KzControl) override {}
    void EndPaneUpdate(KzControl) override {}
    void ClearPane(KzControl) override {}
    void AppendLine(KzControl pane, const std::string& line) override;
    void ScrollToTop(KzControl) override {}
    void SetVisible(KzControl control, bool visible) override { Visible[control] = visible; }
    bool IsVisible(KzControl control) const override;
    void SetEnabled(KzControl, bool) override {}
    void SetReadOnly(KzControl, bool) override {}
    void SetKeyFilter(KzKeyFilter) override {}
    void SetFocus(KzControl) override {}
    TKzClickHandler SetClickHandler(KzControl button, TKzClickHandler handler) override;
    void SetBusyCursor(bool) override {}
    void ShowMessage(const std::string& text) override;
    void ProcessMessages() override {}
    void Sleep(int milliseconds) override;
    void StartProgram(const std::vector<std::string>& arguments) override;
    bool AskNextDisk(std::string& location, const std::string& neededFile) override;
    bool SelectDirectory(std::string&) override { return false; }
    std::string SelectProgramGroup() override { return {}; }
    bool CanAsk() const override { return false; }

    void Print(const std::string& line) const;

  private:
    TKzScript& Script;
    std::FILE* Out;
    std::map<KzControl, std::string> Texts;
    std::map<KzControl, bool> Visible;
    std::map<KzControl, TKzClickHandler> Handlers;
};
