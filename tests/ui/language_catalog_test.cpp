// CLanguageCatalog over real packs and a real dialog: selection by name,
// escapes, and translation of captions, direct children and list-view
// column headers.
#include "ui/language_catalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "foundation/byte_file.h"
#include "foundation/utf8.h"
#include "pack/pack_file.h"
#include "platform/win_controls.h"
#include "platform/win_dialog.h"
#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"

namespace fs = std::filesystem;

namespace {

// Pack files in a folder of their own, removed afterwards.
class PackFolder {
public:
    PackFolder() {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("nerro-catalog-test-" + std::to_string(random()));
        fs::create_directories(dir_);
    }
    ~PackFolder() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // A pack holding those entries, opened read-only.
    std::unique_ptr<TPackFile> Make(const std::string& name,
                                    const std::map<std::string, std::string>& entries) {
        const std::string path = (dir_ / name).string();
        {
            TPackFile pack(path.c_str(), true);
            for (const auto& [entry, text] : entries) {
                MemoryFile input(text);
                EXPECT_NE(pack.AddStream(input, entry.c_str(), kPackModeLz), nullptr) << entry;
            }
            pack.Flush();
        }
        auto pack = std::make_unique<TPackFile>(path.c_str(), false);
        EXPECT_FALSE(pack->IsFailed());
        return pack;
    }

private:
    fs::path dir_;
};

const char* const kEnglish =
    "[Info]\nname=English one\n409=ok\n"
    "[Main]\n0=Setup\n1001=Install now\n1023=Path\\tto install\n1011_0=Application\n"
    "1011_1=Plug-in folder\ncomplete=Done.\\nThank you.\n";
const char* const kGerman = "[Info]\nname=Deutsch\n[Main]\n1001=Installieren\n";
const char* const kSecondEnglish = "[Info]\nname=English two\n";

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        pack = folder.Make("languages.pack", {{"English.clg", kEnglish},
                                              {"Deutsch.clg", kGerman},
                                              {"English2.clg", kSecondEnglish}});
        catalog.SetPack(pack.get());
    }
    std::string Name() { return catalog.Lookup("Info", "name", "(none)"); }

    PackFolder folder;
    std::unique_ptr<TPackFile> pack;
    CLanguageCatalog catalog;
};

TEST_F(CatalogTest, WithNoLanguagesNothingIsSelected) {
    catalog.SelectLanguage("English");
    EXPECT_EQ(catalog.CurrentLanguage(), -1);
    EXPECT_EQ(catalog.Lookup("Main", "1001", "default"), "default");
    EXPECT_EQ(catalog.GetLanguageName(-1), "");
}

TEST_F(CatalogTest, SelectionByName) {
    catalog.AddLanguage("English", "English.clg");
    catalog.AddLanguage("Deutsch", "Deutsch.clg");
    catalog.AddLanguage("English", "English2.clg");  // the first "English" wins
    struct Case {
        const char* name;
        int index;
        const char* loaded;
    };
    for (const Case& c : {Case{"Deutsch", 1, "Deutsch"}, Case{"English", 0, "English one"},
                          Case{"Deutsch", 1, "Deutsch"}, Case{"Klingon", 0, "English one"},
                          Case{"english", 0, "English one"}}) {
        catalog.SelectLanguage(c.name);
        EXPECT_EQ(catalog.CurrentLanguage(), c.index) << c.name;
        EXPECT_EQ(Name(), c.loaded) << c.name;
        EXPECT_EQ(catalog.GetLanguageName(-1), catalog.GetLanguageName(c.index));
    }
    EXPECT_EQ(catalog.GetLanguageName(1), "Deutsch");
    EXPECT_EQ(catalog.GetLanguageName(3), "") << "no such language";
}

TEST_F(CatalogTest, SelectingTheCurrentLanguageAgainDoesNotReload) {
    catalog.AddLanguage("English", "English.clg");
    catalog.AddLanguage("Deutsch", "Deutsch.clg");
    catalog.SelectLanguage("English");
    ASSERT_EQ(Name(), "English one");

    auto changed = folder.Make(
        "changed.pack", {{"English.clg", "[Info]\nname=Changed\n"}, {"Deutsch.clg", kGerman}});
    catalog.SetPack(changed.get());
    catalog.SelectLanguage("English");
    EXPECT_EQ(Name(), "English one") << "the catalogue was read again";
    catalog.SelectLanguage("Deutsch");
    catalog.SelectLanguage("English");
    EXPECT_EQ(Name(), "Changed");
}

TEST_F(CatalogTest, ACatalogueThatCannotBeReadLeavesNoLanguage) {
    catalog.AddLanguage("English", "English.clg");
    catalog.AddLanguage("Ghost", "nerro-no-such-catalogue.clg");
    catalog.SelectLanguage("English");
    catalog.SelectLanguage("Ghost");
    EXPECT_EQ(catalog.CurrentLanguage(), -1);
    EXPECT_EQ(catalog.Lookup("Info", "name", "default"), "default");
    EXPECT_EQ(catalog.GetLanguageName(-1), "");

    HWND window = CreateWindowExA(0, "STATIC", "Untouched", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    catalog.TranslateWindow("Main", window);
    EXPECT_EQ(CWindow(window).GetWindowText(), "Untouched");
    DestroyWindow(window);

    catalog.SelectLanguage("English");
    EXPECT_EQ(Name(), "English one") << "a later selection works again";
}

TEST(CatalogEscapeTest, EscapesAreResolvedOnce) {
    struct Case {
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"a\\nb", "a\rb"},  {"a\\tb", "a\tb"}, {"\\n\\t", "\r\t"},  {"a\\\\nb", "a\\\\nb"},
        {"end\\", "end\\"}, {"\\", "\\"},      {"\\x\\n", "\\x\r"}, {"\\\\\\n", "\\\\\r"},
        {"plain", "plain"}, {"n\\", "n\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveCatalogEscapes(c.value), c.expected) << c.value;
}

TEST_F(CatalogTest, LookupResolvesEscapesAndTreatsEmptyAsMissing) {
    auto local = folder.Make("escapes.pack",
                             {{"Test.clg", "[Main]\ncomplete=Done.\\nThank you.\\\\n\nempty=\n"}});
    catalog.SetPack(local.get());
    catalog.AddLanguage("Test", "Test.clg");
    catalog.SelectLanguage("Test");
    EXPECT_EQ(catalog.Lookup("Main", "complete", ""), "Done.\rThank you.\\\\n");
    EXPECT_EQ(catalog.Lookup("Main", "empty", "default"), "default");
    EXPECT_EQ(catalog.Lookup("Main", "missing", "default"), "default");
    EXPECT_EQ(catalog.Lookup("Nowhere", "complete", "default"), "default");
}

// ---- Translating a dialog --------------------------------------------------

class TranslationTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_WIN95_CLASSES;
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(dialog.Create());
        list.Attach(dialog.GetDlgItem(IDC_APPLICATIONS));
        list.InsertColumn(0, "Application", LVCFMT_LEFT, 135);
        list.InsertColumn(1, "Plug-in's folder", LVCFMT_LEFT, 400);
        list.InsertColumn(2, "Third", LVCFMT_LEFT, 50);
        // The edit inside the drop-down combo box is a grandchild of the
        // dialog, and its id is 1001, like the Install button's.
        comboEdit = FindWindowExA(dialog.GetDlgItem(IDC_LANGUAGE), nullptr, "Edit", nullptr);
        CWindow(comboEdit).SetWindowText("typed");
    }
    std::string Text(int id) { return CWindow(dialog.GetDlgItem(id)).GetWindowText(); }
    void Use(const std::string& catalogueText) {
        local = folder.Make("dialog.pack", {{"Lang.clg", catalogueText}});
        catalog.SetPack(local.get());
        catalog.AddLanguage("Lang", "Lang.clg");
        catalog.SelectLanguage("Lang");
        ASSERT_EQ(catalog.CurrentLanguage(), 0);
    }

    CDialog dialog{IDD_WIDGET_TEST};
    CListCtrl list;
    HWND comboEdit = nullptr;
    std::unique_ptr<TPackFile> local;
};

TEST_F(TranslationTest, CaptionAndDirectChildrenAreTranslated) {
    ASSERT_NE(comboEdit, nullptr);
    ASSERT_EQ(GetDlgCtrlID(comboEdit), IDC_INSTALL);
    Use(kEnglish);
    catalog.TranslateDialog("Main", dialog);
    EXPECT_EQ(dialog.GetWindowText(), "Setup") << "key 0 is the dialog's caption";
    EXPECT_EQ(Text(IDC_INSTALL), "Install now");
    EXPECT_EQ(Text(IDC_PATH_LABEL), "Path\tto install");
    EXPECT_EQ(Text(IDC_BROWSE), "Browse ...") << "no key: unchanged";
    EXPECT_EQ(CWindow(comboEdit).GetWindowText(), "typed") << "grandchildren are left alone";
    EXPECT_EQ(list.GetColumnText(0), "Application");
    EXPECT_EQ(list.GetColumnText(1), "Plug-in folder");
    EXPECT_EQ(list.GetColumnText(2), "Third");
}

TEST_F(TranslationTest, ColumnHeadersStopAtTheFirstMissingColumn) {
    struct Case {
        const char* keys;
        const char* column0;
        const char* column1;
        const char* column2;
    };
    const Case cases[] = {
        {"1011_1=One\n", "Application", "Plug-in's folder", "Third"},
        {"1011_0=Zero\n1011_2=Two\n", "Zero", "Plug-in's folder", "Third"},
        {"1011_0=Zero\n1011_1=One\n1011_2=Two\n", "Zero", "One", "Two"},
        {"1011_0=\n1011_1=One\n", "Application", "Plug-in's folder", "Third"},
    };
    int packNumber = 0;
    for (const Case& c : cases) {
        CLanguageCatalog fresh;
        auto packed = folder.Make("columns" + std::to_string(++packNumber) + ".pack",
                                  {{"C.clg", std::string("[Main]\n") + c.keys}});
        fresh.SetPack(packed.get());
        fresh.AddLanguage("C", "C.clg");
        fresh.SelectLanguage("C");
        for (int column = 0; column < 3; ++column) {
            LVCOLUMNA header{};
            header.mask = LVCF_TEXT;
            const char* original[] = {"Application", "Plug-in's folder", "Third"};
            header.pszText = const_cast<char*>(original[column]);
            list.SendMessage(LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&header));
        }
        fresh.TranslateControl("Main", list.Handle());
        EXPECT_EQ(list.GetColumnText(0), c.column0) << c.keys;
        EXPECT_EQ(list.GetColumnText(1), c.column1) << c.keys;
        EXPECT_EQ(list.GetColumnText(2), c.column2) << c.keys;
    }
}

TEST_F(TranslationTest, UnicodeCatalogueTextsReachTheControlsWhole) {
    // A header of 1500 Cyrillic letters is 3000 bytes: the old 1023-byte
    // buffer cut it inside a letter.
    std::string longHeader;
    for (int i = 0; i < 1500; ++i)
        longHeader += u8"Я";
    Use(u8"[Main]\n0=ネッロ セットアップ\n1001=Установить\n1004=参照 \U0001F4C1\n"
        u8"1023=Путь\\tустановки\n1011_0=アプリケーション\n1011_1=" +
        longHeader + "\n1011_2=\U00020BB7\n");
    catalog.TranslateDialog("Main", dialog);
    struct Case {
        HWND window;
        std::string text;
    };
    const Case cases[] = {
        {dialog.Handle(), u8"ネッロ セットアップ"},
        {dialog.GetDlgItem(IDC_INSTALL), u8"Установить"},
        {dialog.GetDlgItem(IDC_BROWSE), u8"参照 \U0001F4C1"},
        {dialog.GetDlgItem(IDC_PATH_LABEL), u8"Путь\tустановки"},
    };
    for (const Case& c : cases) {
        wchar_t text[256] = L"";
        GetWindowTextW(c.window, text, 256);
        EXPECT_EQ(std::wstring(text), Utf8ToWide(c.text)) << c.text;
    }
    EXPECT_EQ(list.GetColumnText(0), u8"アプリケーション");
    EXPECT_EQ(list.GetColumnText(1), longHeader);
    EXPECT_EQ(list.GetColumnText(2), u8"\U00020BB7");
}

TEST_F(TranslationTest, EmptyValuesLeaveTextsAsTheyWere) {
    Use("[Main]\n0=\n1001=\n1004=Browse\n");
    std::string caption = dialog.GetWindowText();
    catalog.TranslateWindow("Main", dialog.Handle());
    EXPECT_EQ(dialog.GetWindowText(), caption);
    EXPECT_EQ(Text(IDC_INSTALL), "Install");
    EXPECT_EQ(Text(IDC_BROWSE), "Browse");
}

TEST_F(TranslationTest, KeysOfWindows) {
    Use("[Main]\n0=dialog\n1001=install\n1011_1=column one\n");
    EXPECT_EQ(catalog.LookupControl("Main", dialog.Handle(), ""), "dialog");
    EXPECT_EQ(catalog.LookupControl("Main", dialog.GetDlgItem(IDC_INSTALL), ""), "install");
    EXPECT_EQ(catalog.LookupColumn("Main", list.Handle(), 1, ""), "column one");
    EXPECT_EQ(catalog.LookupColumn("Main", list.Handle(), 0, "none"), "none");
    // A dialog with an owner is still key 0.
    CDialog owned(IDD_WIDGET_TEST, dialog.Handle());
    ASSERT_TRUE(owned.Create());
    EXPECT_NE(owned.GetParent(), nullptr);
    EXPECT_EQ(catalog.LookupControl("Main", owned.Handle(), ""), "dialog");
}

TEST_F(TranslationTest, ADialogWithoutWindowIsIgnored) {
    Use(kEnglish);
    CDialog notCreated(IDD_WIDGET_TEST);
    catalog.TranslateDialog("Main", notCreated);  // nothing to do, nothing breaks
    catalog.TranslateWindow("Main", nullptr);
    EXPECT_EQ(Text(IDC_INSTALL), "Install");
}

}  // namespace
