// The file dialog class against the real open and save dialogs.
#include "ui/options/cFileDialog.h"

#include "tests/support/DialogResponder.h"
#include "tests/support/TempDir.h"
#include "tests/ui/options/OptionsTestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace options_test;
using ui::cFileDialog;

namespace {

std::wstring Nul(const wchar_t* text, size_t length) {
    return std::wstring(text, length);
}

} // namespace

TEST(cFileDialog, StartsWithFilterIndexOneAndNothingElse) {
    cFileDialog dialog;
    EXPECT_EQ(dialog.Record().lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(dialog.FilterIndex(), 1);
    EXPECT_FALSE(dialog.CancelError());
    EXPECT_EQ(dialog.flags(), 0);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_TRUE(dialog.Filename().empty());
    EXPECT_EQ(dialog.Record().lpstrFilter, nullptr);
}

TEST(cFileDialog, FilterBecomesNulSeparatedPairsWithTwoClosingNuls) {
    cFileDialog dialog;
    dialog.Filter(L"A|*.a|B|*.b");
    EXPECT_EQ(dialog.ConvertedFilter(), Nul(L"A\0*.a\0B\0*.b\0\0", 13));
    EXPECT_EQ(dialog.Filter(), L"A|*.a|B|*.b");
    EXPECT_EQ(std::wstring(dialog.Record().lpstrFilter, 13), Nul(L"A\0*.a\0B\0*.b\0\0", 13));
}

TEST(cFileDialog, ColonSplitsTheFilterLikeABar) {
    cFileDialog dialog;
    dialog.Filter(L"Text:*.txt|All:*.*");
    EXPECT_EQ(dialog.ConvertedFilter(), Nul(L"Text\0*.txt\0All\0*.*\0\0", 20));
}

TEST(cFileDialog, DefaultExtAndInitDirGetTwoNuls) {
    cFileDialog dialog;
    dialog.DefaultExt(L"BMP");
    dialog.InitDir(L"C:\\Pics");
    EXPECT_EQ(std::wstring(dialog.Record().lpstrDefExt, 5), Nul(L"BMP\0\0", 5));
    EXPECT_EQ(std::wstring(dialog.Record().lpstrInitialDir, 9), Nul(L"C:\\Pics\0\0", 9));
    EXPECT_EQ(dialog.DefaultExt(), L"BMP");
    EXPECT_EQ(dialog.InitDir(), L"C:\\Pics");
}

TEST(cFileDialog, ParsesAMultiSelectionOfTwoFiles) {
    cFileDialog dialog;
    std::wstring returned = Nul(L"C:\\Pics\0a.bmp\0b.bmp\0\0", 21);
    returned.append(100, L'\0');
    dialog.Filename(returned);
    std::wstring dir;
    std::vector<std::wstring> files;
    long count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, L"C:\\Pics");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"a.bmp", L"b.bmp"}));
}

TEST(cFileDialog, ParsesAMultiSelectDialogWithOneFile) {
    cFileDialog dialog;
    std::wstring returned = Nul(L"C:\\Pics\\a.bmp\0\0", 15);
    returned.append(50, L'\0');
    dialog.Filename(returned);
    std::wstring dir;
    std::vector<std::wstring> files{L"old", L"older"};
    long count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, L"C:\\Pics\\");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"a.bmp"}));
}

TEST(cFileDialog, ParsingANameWithoutDoubleNulFails) {
    cFileDialog dialog;
    dialog.Filename(L"C:\\Pics\\a.bmp");
    std::wstring dir;
    std::vector<std::wstring> files;
    long count = 0;
    EXPECT_THROW(dialog.ParseMultiFileName(dir, files, count), std::invalid_argument);
    dialog.Filename(Nul(L"C:\\Pics\\a.bmp\0", 14));
    EXPECT_THROW(dialog.ParseMultiFileName(dir, files, count), std::invalid_argument);
}

TEST(cFileDialog, TrimAtNullKeepsTextBeforeTheFirstNul) {
    EXPECT_EQ(cFileDialog::TrimAtNull(Nul(L"ab\0cd", 5)), L"ab");
    EXPECT_EQ(cFileDialog::TrimAtNull(L"abc"), L"abc");
    EXPECT_EQ(cFileDialog::TrimAtNull(Nul(L"\0x", 2)), L"");
}

TEST(cFileDialog, NamesLongerThanTheBufferFailBeforeAnyDialog) {
    cFileDialog dialog;
    // The buffer keeps one slot for the terminating NUL.
    EXPECT_NO_THROW(dialog.Filename(std::wstring(1023, L'x')));
    EXPECT_THROW(dialog.Filename(std::wstring(1024, L'x')), std::invalid_argument);
    EXPECT_EQ(dialog.Filename().size(), 1023u);

    cFileDialog titled;
    titled.FileTitle(std::wstring(1024, L't'));
    // No responder expectation: a dialog appearing would fail the test.
    DialogResponder responder;
    EXPECT_THROW(titled.ShowOpen(), std::invalid_argument);
    EXPECT_THROW(titled.ShowSave(), std::invalid_argument);
    // A multi-select open has room for it.
    titled.flags(OFN_ALLOWMULTISELECT);
    titled.FileTitle(std::wstring(8192, L't'));
    EXPECT_THROW(titled.ShowOpen(), std::invalid_argument);
}

class cFileDialogShown : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteText(dir_ / L"one.txt", "1");
        WriteText(dir_ / L"two.txt", "2");
        WriteText(dir_ / L"pic.dat", "3");
    }
    TempDir dir_;
};

TEST_F(cFileDialogShown, OpenReturnsTheTypedFileWithoutPadding) {
    cFileDialog dialog;
    dialog.flags(OFN_FILEMUSTEXIST);
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Pick one");
    dialog.Filter(L"Text|*.txt|All|*.*");
    std::wstring folder;
    DialogResponder responder;
    responder.Expect(L"Pick one", [&](HWND d) {
        folder = DialogFolder(d);
        TypeFileNameAndOk(d, L"one.txt");
    });
    dialog.ShowOpen();
    EXPECT_EQ(folder, dir_.path());
    EXPECT_EQ(dialog.Filename(), dir_ / L"one.txt");
    EXPECT_EQ(dialog.Filename().find(L'\0'), std::wstring::npos);
    EXPECT_EQ(dialog.FileTitle(), L"one.txt");
    EXPECT_EQ(dialog.FilterIndex(), 1);
}

TEST_F(cFileDialogShown, FilterIndexFollowsTheFilterTheUserSwitchedTo) {
    cFileDialog dialog;
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Switch");
    dialog.Filter(L"Text|*.txt|All|*.*");
    std::wstring shown;
    DialogResponder responder;
    responder.Expect(L"Switch", [&](HWND d) {
        SelectFilter(d, 1);
        shown = ComboText(FilterCombo(d), 1);
        TypeFileNameAndOk(d, dir_ / L"pic.dat");
    });
    dialog.ShowOpen();
    EXPECT_EQ(shown, L"All");
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_EQ(dialog.Filename(), dir_ / L"pic.dat");
}

TEST_F(cFileDialogShown, MultiSelectKeepsTheFlagsAsSetAndReturnsTheRawList) {
    cFileDialog dialog;
    dialog.flags(OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Several");
    dialog.Filter(L"Text|*.txt");
    DialogResponder responder;
    responder.Expect(L"Several", [](HWND d) { TypeFileNameAndOk(d, L"\"one.txt\" \"two.txt\""); });
    dialog.ShowOpen();
    EXPECT_EQ(dialog.flags(), OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    EXPECT_EQ(dialog.Record().Flags & OFN_EXPLORER, static_cast<DWORD>(OFN_EXPLORER));
    EXPECT_EQ(dialog.Record().nMaxFile, 8192u);
    EXPECT_EQ(dialog.Filename().size(), 8192u);

    std::wstring dir;
    std::vector<std::wstring> files;
    long count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, dir_.path());
    EXPECT_EQ(count, 2);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"one.txt", L"two.txt"}));
}

TEST_F(cFileDialogShown, MultiSelectOfOneFileParsesIntoFolderWithBackslash) {
    cFileDialog dialog;
    dialog.flags(OFN_ALLOWMULTISELECT);
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Just one");
    DialogResponder responder;
    responder.Expect(L"Just one", [](HWND d) { TypeFileNameAndOk(d, L"two.txt"); });
    dialog.ShowOpen();
    std::wstring dir;
    std::vector<std::wstring> files;
    long count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, dir_.path() + L"\\");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"two.txt"}));
}

TEST_F(cFileDialogShown, CancelWithoutCancelErrorKeepsTheFilename) {
    cFileDialog dialog;
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Cancel me");
    dialog.Filename(L"kept.txt");
    dialog.FileTitle(L"kept title");
    DialogResponder responder;
    responder.ExpectButton(L"Cancel me", IDCANCEL);
    EXPECT_NO_THROW(dialog.ShowOpen());
    EXPECT_EQ(dialog.Filename(), L"kept.txt");
    EXPECT_EQ(dialog.FileTitle(), L"kept title");
}

TEST_F(cFileDialogShown, CancelWithCancelErrorRaises32755) {
    cFileDialog dialog;
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Cancel me");
    dialog.CancelError(true);
    dialog.Filename(L"kept.txt");
    DialogResponder responder;
    responder.ExpectButton(L"Cancel me", IDCANCEL);
    responder.ExpectButton(L"Cancel me", IDCANCEL);
    try {
        dialog.ShowOpen();
        ADD_FAILURE() << "no error after a cancel";
    } catch (const ui::FileDialogError& error) {
        EXPECT_EQ(error.number, 32755);
        EXPECT_EQ(error.source, L"ui_options_tests.cFileDialog");
        EXPECT_EQ(error.description, L"User selected cancel.");
    }
    EXPECT_EQ(dialog.Filename(), L"kept.txt");
    EXPECT_THROW(dialog.ShowSave(), ui::FileDialogError);
    EXPECT_EQ(dialog.Filename(), L"kept.txt");
}

TEST_F(cFileDialogShown, SaveReturnsTheTypedNameWithTheDefaultExtension) {
    cFileDialog dialog;
    dialog.InitDir(dir_.path());
    dialog.DialogTitle(L"Save as");
    dialog.DefaultExt(L"txt");
    dialog.Filter(L"Text|*.txt");
    DialogResponder responder;
    responder.Expect(L"Save as", [](HWND d) { TypeFileNameAndOk(d, L"fresh"); });
    dialog.ShowSave();
    EXPECT_EQ(dialog.Filename(), dir_ / L"fresh.txt");
    EXPECT_EQ(dialog.FileTitle(), L"fresh.txt");
}
