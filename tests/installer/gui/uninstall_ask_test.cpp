// Uninstalling in the window: the question names what goes, "&No" leaves everything, "&Yes"
// removes it and sums up; a product without a record is an error box.
#include "kz_message.h"
#include "kz_uninstall_ask.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

TEST(UninstallAsking, AsksWithTheListAndRemovesOnlyAfterYes) {
    const fs::path root = fs::temp_directory_path() / ("kz_uninstall_ask_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "data");
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    const struct {
        const char* product;
        bool yes;
        int status;
        bool fileStays;
        const char* box; // the text the last box shows
    } rows[] = {
        {"P", false, 2, true, ""},
        {"P", true, 0, false, "\"P\" is uninstalled."},
        {"Nothing", true, 3, true, "No installation of \"Nothing\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.product) + (row.yes ? " yes" : " no"));
        const fs::path file = root / "inst" / "a.txt";
        if (!fs::exists(file)) {
            TKzRecorder recorder;
            recorder.ProductName = [] { return std::string("P"); };
            const auto missing = TKzRecorder::MissingFolders((root / "inst").string());
            fs::create_directories(root / "inst");
            recorder.FoldersMade(missing);
            std::ofstream(file) << "installed\n";
            recorder.FileWritten(file.string(), false);
            recorder.Finish();
        }
        std::string question, box;
        const TKzQuestions previous = KzSetQuestions({[&](const std::string& text) { box = text; },
                                                      [&](const std::string& text) {
                                                          question = text;
                                                          return row.yes;
                                                      }});
        EXPECT_EQ(KzUninstallAsking(row.product), row.status);
        KzSetQuestions(previous);
        if (row.status != 3) {
            EXPECT_NE(question.find(file.string()), std::string::npos) << question;
        }
        EXPECT_EQ(fs::exists(file), row.fileStays);
        EXPECT_NE(box.find(row.box), std::string::npos) << box;
    }
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(root);
}
