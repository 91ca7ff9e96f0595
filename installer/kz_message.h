#pragma once
// The installer's two kinds of message box, shared by the main window and every dialog, so that
// all of them carry the same titles and buttons.
#include <functional>
#include <string>

class wxWindow;

// The text as a box shows it: the installer's "\r" separators become line breaks, and long lines
// are wrapped so that the box always fits the screen (text::wrapMessage).
std::string KzMessageText(const std::string& text);

// A simple message box with one OK button, titled with the installer program's file name
// without its extension.
void KzShowMessage(wxWindow* parent, const std::string& text);

// The confirmation box titled "Confirm" with the buttons "&Yes" and "&No"; true for Yes.
bool KzConfirm(wxWindow* parent, const std::string& text);

// The box for an error that ended the installation run: as KzShowMessage, with the error sign.
void KzShowError(wxWindow* parent, const std::string& text);

// Where the boxes' questions go. Window tests install answers of their own here so that no
// modal box waits for a click; empty functions stand for the real boxes. The texts passed on are
// the installer's own, "\r" separators included.
struct TKzQuestions {
    std::function<void(const std::string& text)> Message; // KzShowMessage and KzShowError
    std::function<bool(const std::string& text)> Confirm;
};
// Installs questions and gives back the ones before, so a test can put them back.
TKzQuestions KzSetQuestions(TKzQuestions questions);
