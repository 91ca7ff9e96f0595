// kzinstall: a script-driven installer.
//
// The program is one window, TFormMain, which owns the one script interpreter TKzScript for its
// whole life. The window finds the script (the file named on the command line, or
// "install.script" / "install.scr" beside the program), and 300 ms after it is shown runs the
// script once. The interpreter (installer/core, free of any toolkit) executes the commands one
// by one and drives the window's controls through the TKzWindow interface; the file work, the
// program groups and shortcuts live in installer/core too, the dialogs beside this file. Every
// wait of the interpreter sleeps in 100 ms steps and lets the window handle its messages in
// between, so the window stays responsive; when the run ends, the window closes and the program
// with it.
#include "t_form_main.h"

#include <wx/app.h>

namespace {

class TKzInstallApp : public wxApp {
  public:
    bool OnInit() override {
        // The command line is the installer's own: its first argument names the script, and
        // nothing in it is an option for the toolkit.
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(argv[i].utf8_string());
        auto* form = new TFormMain(arguments);
        if (!form->ScriptFound) {
            form->Destroy();
            exitStatus_ = KzExitNoScript;
            return true;
        }
        form->OnExitStatus = [this](int status) { exitStatus_ = status; };
        running_ = true;
        form->Show();
        return true;
    }

    // The exit status tells scripts and package tools how the installation ended (README).
    int OnRun() override {
        if (running_) wxApp::OnRun();
        return exitStatus_;
    }

  private:
    bool running_ = false;
    // Until the window says otherwise, the installation did not complete.
    int exitStatus_ = KzExitCancelled;
};

} // namespace

wxIMPLEMENT_APP(TKzInstallApp);
