#include "core/kz_console_window.h"

#include "core/kz_script.h"

#include <chrono>
#include <thread>

void TKzConsoleWindow::Print(const std::string& line) const {
    std::string text = line;
    for (char& c : text)
        if (c == '\r') c = '\n';
    std::fprintf(Out, "%s\n", text.c_str());
    std::fflush(Out);
}

void TKzConsoleWindow::SetText(KzControl control, const std::string& text) {
    Texts[control] = text;
    // The title and the caption say where the installation is; the buttons' captions say nothing
    // to somebody who cannot press them.
    if ((control == KzControl::LabelTitle || control == KzControl::Label1) && !text.empty()) Print(text);
}

std::string TKzConsoleWindow::GetText(KzControl control) const {
    const auto it = Texts.find(control);
    return it == Texts.end() ? std::string() : it->second;
}

void TKzConsoleWindow::AppendLine(KzControl pane, const std::string& line) {
    if (pane == KzControl::MemoTitle || pane == KzControl::Memo1) Print(line == " " ? std::string() : line);
}

bool TKzConsoleWindow::IsVisible(KzControl control) const {
    const auto it = Visible.find(control);
    return it == Visible.end() || it->second;
}

TKzClickHandler TKzConsoleWindow::SetClickHandler(KzControl button, TKzClickHandler handler) {
    std::swap(Handlers[button], handler);
    return handler;
}

void TKzConsoleWindow::ShowMessage(const std::string& text) {
    // Only notices come here: the interpreter turns every message that asks for another answer
    // into an error in an unattended run.
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "kzinstall: %s\n", line.c_str());
}

void TKzConsoleWindow::Sleep(int milliseconds) {
    // A wait for Next is answered at once; only the script's own pauses take their time.
    if (Script.WaitingForNext) {
        if (auto click = Handlers[KzControl::ButtonScript]) click();
        return;
    }
    if (Script.WaitingForOpening) {
        if (auto click = Handlers[KzControl::FirstButton]) click();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TKzConsoleWindow::StartProgram(const std::vector<std::string>& arguments) {
    KzStartProgram(arguments, Script.AppDir);
}

bool TKzConsoleWindow::AskNextDisk(std::string&, const std::string&) {
    return false;
}
