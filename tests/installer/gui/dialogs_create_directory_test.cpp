// The create-directory dialog: one new level inside ParentDir, a message when that fails, and the
// key filter that keeps separators and other marks out of the name.
#include "dialogs_test_support.h"

#include "t_form_create_directory.h"

#include <wx/stattext.h>

namespace fs = std::filesystem;

namespace {

TEST(DialogsCreateDirectory, CreatesOneLevelAndAnswersItsPath) {
    TempDir temp;
    for (const std::string& parent : {temp.Path(), temp.Path() + "/"}) {
        fs::remove_all(temp.Path() + "/new");
        TFormCreateDirectory create(nullptr);
        EXPECT_EQ(create.ParentDir, "/");
        create.ParentDir = parent;
        const int result = RunModal(create, [&] {
            EXPECT_EQ(create.GetTitle().utf8_string(), parent);
            EXPECT_EQ(create.Label1->GetLabel(), "Create new directory");
            EXPECT_GE(create.Label1->GetSize().GetWidth(), create.Label1->GetBestSize().GetWidth())
                << "the bold caption is cut off";
            create.EditDirectory->ChangeValue("new");
            Click(create.ButtonOK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(create.ParentDir, temp.Path() + "/new");
        EXPECT_TRUE(fs::is_directory(temp.Path() + "/new"));
    }
}

TEST(DialogsCreateDirectory, AFailureIsReportedAndClosesAsCancel) {
    TempDir temp;
    fs::create_directory(temp.Path() + "/taken");
    struct Row {
        std::string parent, name, path;
        const char* what;
    } rows[] = {
        {temp.Path(), "", temp.Path() + "/", "an empty name names the parent"},
        {temp.Path(), "taken", temp.Path() + "/taken", "the directory exists"},
        {temp.Path() + "/missing", "x", temp.Path() + "/missing/x", "the parent does not exist"},
    };
    for (const Row& row : rows) {
        TFormCreateDirectory create(nullptr);
        create.ParentDir = row.parent;
        const int result = RunModal(create, [&] {
            create.EditDirectory->ChangeValue(row.name);
            wxTEST_DIALOG(Click(create.ButtonOK), ExpectMessage("Unable to create \n" + row.path, wxID_OK));
        });
        EXPECT_EQ(result, wxID_CANCEL) << row.what;
        EXPECT_EQ(create.ParentDir, row.parent) << row.what;
    }
    EXPECT_FALSE(fs::exists(temp.Path() + "/missing"));
}

TEST(DialogsCreateDirectory, TheNameTakesOnlyLettersDigitsAndAFewMarks) {
    TFormCreateDirectory create(nullptr);
    const std::string accepted = "azAZ09 -.@_~";
    for (char c : accepted)
        EXPECT_TRUE(Type(create.EditDirectory, c)) << "'" << c << "'";
    EXPECT_TRUE(Type(create.EditDirectory, WXK_BACK));
    const std::string refused = "/\\:*?\"<>|!#$%&'()+,;=[]^`{}";
    for (char c : refused)
        EXPECT_FALSE(Type(create.EditDirectory, c)) << "'" << c << "'";
    EXPECT_FALSE(Type(create.EditDirectory, 0xE9)) << "letters outside A to Z";
}

TEST(DialogsCreateDirectory, EnterActsAsOKAndEscapeAsCancel) {
    TempDir temp;
    {
        TFormCreateDirectory create(nullptr);
        create.ParentDir = temp.Path();
        const int result = RunModal(create, [&] {
            create.EditDirectory->ChangeValue("by-enter");
            Type(create.EditDirectory, WXK_RETURN);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_TRUE(fs::is_directory(temp.Path() + "/by-enter"));
    }
    {
        TFormCreateDirectory create(nullptr);
        create.ParentDir = temp.Path();
        const int result = RunModal(create, [&] {
            create.EditDirectory->ChangeValue("by-escape");
            Type(create.EditDirectory, WXK_ESCAPE);
        });
        EXPECT_EQ(result, wxID_CANCEL);
        EXPECT_FALSE(fs::exists(temp.Path() + "/by-escape"));
    }
}

} // namespace
