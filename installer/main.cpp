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
//
// Every run that changes the machine keeps an installation record (TKzRecorder), from which
// --uninstall removes what the run made (kz_uninstall.h). With --silent the interpreter works on
// TKzConsoleWindow instead, chosen here before the toolkit is started, so an unattended run needs
// no display at all.
#include "core/kz_console_window.h"
#include "core/kz_uninstall.h"
#include "i18n/translations.h"
#include "kz_uninstall_ask.h"
#include "t_form_main.h"
#include "text/translatable.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/translation.h>

namespace {

struct TKzOptions {
    bool Silent = false;
    std::string Dir;
    std::string LogFile;
    std::string Uninstall;
    bool UninstallGiven = false;
    std::vector<std::string> Arguments;
};

TKzOptions Options;
std::FILE* LogFile = nullptr;

void Log(const std::string& line) {
    if (!LogFile) return;
    const std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::string text = line;
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::fprintf(LogFile, "%s %s\n", stamp, text.c_str());
    std::fflush(LogFile);
}

// Reads the options; false with the reason when the command line cannot be understood.
bool ParseOptions(int argc, char** argv, std::string& error) {
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = wxString::Format(_("%s needs a value"), arg).utf8_string();
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (optionsEnd || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            Options.Arguments.push_back(arg);
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--silent") {
            Options.Silent = true;
        } else if (arg == "--dir") {
            if (!value(Options.Dir)) return false;
        } else if (arg == "--log") {
            if (!value(Options.LogFile)) return false;
        } else if (arg == "--uninstall") {
            if (!value(Options.Uninstall)) return false;
            Options.UninstallGiven = true;
        } else {
            error = wxString::Format(_("unknown option %s"), arg).utf8_string();
            return false;
        }
    }
    if (Options.UninstallGiven && (!Options.Arguments.empty() || !Options.Dir.empty()))
        error = _("--uninstall takes neither a script nor --dir").utf8_string();
    else if (!Options.Dir.empty() && !Options.Silent)
        error = _("--dir is for --silent runs; in the window the folder is asked for").utf8_string();
    // On the command line a folder without a root is where the user stands, as for every other
    // program; the script's own folders are not.
    std::error_code absolute;
    if (!Options.Dir.empty() && !KzIsRooted(Options.Dir))
        Options.Dir = std::filesystem::absolute(Options.Dir, absolute).string();
    return error.empty();
}

const char* const Usage = wxTRANSLATE("usage: kzinstall [--log FILE] [SCRIPT]\n"
                          "       kzinstall --silent [--dir FOLDER] [--log FILE] [SCRIPT]\n"
                          "       kzinstall [--silent] [--log FILE] --uninstall PRODUCT\n");

// The script path as the window finds it, or empty when there is none.
std::string FindScript() {
    const std::string app = AppDirectory();
    if (!Options.Arguments.empty()) return KzScriptPathFromArgument(Options.Arguments.front(), app);
    std::string path = app + "install.script";
    if (!KzIsDirectory(path) && KzExists(path)) return path;
    path.resize(path.size() - 3);
    if (!KzIsDirectory(path) && KzExists(path)) return path;
    std::fprintf(stderr, "kzinstall: %s\n",
                 text::formatted(N_("Error: script file %s not found"), {path}).c_str());
    return {};
}

void ConnectRecord(TKzScript& script, TKzRecorder& recorder, const std::function<void(const std::string&)>& progress) {
    recorder.ProductName = [&script] { return script.ProductName(); };
    recorder.Report = [progress](const std::string& text) {
        Log(text);
        if (progress) progress(text);
    };
    script.Recorder = &recorder;
    script.Log = [progress](const std::string& text, bool action) {
        Log(text);
        if (action && progress) progress(text);
    };
}

int FinishRecord(TKzRecorder& recorder, int exitStatus) {
    recorder.Finish();
    if (!recorder.WriteError().empty()) {
        // The log keeps English, as every line it holds; the terminal shows the user's language.
        Log("The installation record " + recorder.File() + " could not be written: " + recorder.WriteError());
        std::fprintf(stderr, "kzinstall: %s\n",
                     text::formatted(N_("The installation record %s could not be written: %s"),
                                     {recorder.File(), recorder.WriteError()})
                         .c_str());
    }
    Log("Ended with exit status " + std::to_string(exitStatus));
    return exitStatus;
}

int RunSilent() {
    const std::string scriptPath = FindScript();
    if (scriptPath.empty()) return KzExitNoScript;
    TKzScript script;
    TKzConsoleWindow window(script, stdout);
    script.BindControls(&window);
    script.InstallDirOverride = Options.Dir;
    TKzRecorder recorder;
    ConnectRecord(script, recorder, [&window](const std::string& text) { window.Print(text); });
    // As in the window: a run ended by a signal leaves no half-written copy behind.
    KzRemoveTemporariesOnSignals();
    Log("Running " + scriptPath + " unattended");
    std::string error;
    if (script.LoadScript(scriptPath, error) != 0) {
        std::fprintf(
            stderr, "kzinstall: %s\n",
            text::formatted(N_("Error opening installation script file: %s: %s"), {scriptPath, error})
                .c_str());
        Log("Cannot open " + scriptPath + ": " + error);
        return KzExitNoScript;
    }
    try {
        const int status = script.Run();
        return FinishRecord(recorder, KzExitStatus(status, script.Aborted, false));
    } catch (const std::exception& e) {
        std::string text = e.what();
        for (char& c : text)
            if (c == '\r') c = ' ';
        std::fprintf(stderr, "kzinstall: %s\n", text.c_str());
        Log("Error: " + text);
        return FinishRecord(recorder, KzExitFailed);
    }
}

void LogUninstall(const TKzUninstallResult& result) {
    for (const std::string& path : result.Removed)
        Log("Removed " + path);
    for (const std::string& path : result.Kept)
        Log("Kept " + path);
    for (const std::string& path : result.Refused)
        Log("Refused " + path);
    for (const std::string& path : result.Failed)
        Log("Could not remove " + path);
}

int UninstallStatus(const TKzUninstallResult& result) {
    return result.Refused.empty() && result.Failed.empty() ? KzExitCompleted : KzExitFailed;
}

int UninstallSilent() {
    TKzUninstallPlan plan;
    std::string error;
    Log("Uninstalling " + Options.Uninstall + " unattended");
    if (!KzPlanUninstall(Options.Uninstall, plan, error)) {
        std::fprintf(stderr, "kzinstall: %s\n", error.c_str());
        Log(error);
        return KzExitFailed;
    }
    const TKzUninstallResult result = KzUninstall(plan);
    LogUninstall(result);
    for (const std::string& path : result.Removed)
        std::printf("%s\n", text::formatted(N_("Removed %s"), {path}).c_str());
    std::string summary = KzUninstallSummary(plan, result);
    for (char& c : summary)
        if (c == '\r') c = '\n';
    std::fprintf(UninstallStatus(result) == KzExitCompleted ? stdout : stderr, "%s\n", summary.c_str());
    return UninstallStatus(result);
}

class TKzInstallApp : public wxApp {
  public:
    bool OnInit() override {
        if (Options.UninstallGiven) {
            exitStatus_ = Uninstall();
            return true;
        }
        auto* form = new TFormMain(Options.Arguments);
        if (!form->ScriptFound) {
            form->Destroy();
            exitStatus_ = KzExitNoScript;
            return true;
        }
        ConnectRecord(form->Script, recorder_, {});
        Log("Running " + form->ScriptPath);
        form->OnExitStatus = [this](int status) { exitStatus_ = FinishRecord(recorder_, status); };
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
    int Uninstall() {
        Log("Uninstalling " + Options.Uninstall);
        const int status = KzUninstallAsking(Options.Uninstall, LogUninstall);
        Log("Ended with exit status " + std::to_string(status));
        return status;
    }

    bool running_ = false;
    // Until the window says otherwise, the installation did not complete.
    int exitStatus_ = KzExitCancelled;
    TKzRecorder recorder_;
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(TKzInstallApp);

int main(int argc, char** argv) {
    zc::setUpTranslations("zorvelcal", zc::localeFolders());
    std::string error;
    if (!ParseOptions(argc, argv, error)) {
        std::fprintf(stderr, "kzinstall: %s\n%s", error.c_str(), wxGetTranslation(Usage).utf8_str().data());
        return KzExitFailed;
    }
    if (!Options.LogFile.empty()) {
        LogFile = std::fopen(Options.LogFile.c_str(), "a");
        if (!LogFile) {
            std::fprintf(stderr, "kzinstall: %s\n",
                         wxString::Format(_("cannot write the log %s"), Options.LogFile).utf8_str().data());
            return KzExitFailed;
        }
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closeLog(LogFile, [](std::FILE* f) {
        return f ? std::fclose(f) : 0;
    });
    if (Options.Silent) return Options.UninstallGiven ? UninstallSilent() : RunSilent();
    // The toolkit gets the program's name only: the command line is the installer's own.
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, argv);
}
