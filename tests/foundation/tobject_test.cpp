#include "foundation/tobject.h"

#include <gtest/gtest.h>

#include "foundation/tcollection.h"
#include "foundation/tinifile.h"

namespace {

// Records the order of FinalRelease and destruction.
struct Probe : TObject {
    explicit Probe(std::string* log) : log(log) {}
    void FinalRelease() override { *log += "F"; }
    ~Probe() override { *log += "D"; }
    std::string* log;
};

TEST(TObjectTest, CountsReferencesAndDestroysOnLastRelease) {
    std::string log;
    auto* object = new Probe(&log);
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_EQ(object->AddRef(), 2);
    EXPECT_EQ(object->Release(), 1);
    EXPECT_EQ(log, "");
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(log, "FD");  // FinalRelease once, before the destructor
}

TEST(TObjectTest, DirectDestructionSkipsFinalRelease) {
    std::string log;
    delete new Probe(&log);
    EXPECT_EQ(log, "D");
}

TEST(TObjectTest, CastsByExactNameThroughTheBases) {
    TIniFile ini;
    TCollection collection(0, 1);
    TObject plain;

    EXPECT_STREQ(ini.ClassName(), "TIniFile");
    EXPECT_STREQ(collection.ClassName(), "TCollection");
    EXPECT_STREQ(plain.ClassName(), "TObject");

    EXPECT_EQ(ini.CastTo("TIniFile"), &ini);
    EXPECT_EQ(ini.CastTo("TObject"), &ini);
    EXPECT_EQ(ini.CastTo("TCollection"), nullptr);
    EXPECT_EQ(ini.CastTo("tinifile"), nullptr);
    EXPECT_EQ(collection.CastTo("TCollection"), &collection);
    EXPECT_EQ(collection.CastTo("TObject"), &collection);
    EXPECT_EQ(collection.CastTo("TIniFile"), nullptr);
    EXPECT_EQ(plain.CastTo("TObject"), &plain);
    EXPECT_EQ(plain.CastTo("TOBJECT"), nullptr);
    EXPECT_EQ(plain.CastTo(nullptr), nullptr);
}

}  // namespace
