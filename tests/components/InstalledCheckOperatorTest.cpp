#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "components/InstalledCheckDirectory.h"
#include "components/InstalledCheckOperator.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/CheckLoading.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

// Leaves whose result is known: a folder that exists and one that does not,
// and a check that throws when it is evaluated.
class InstalledCheckOperatorTest : public ::testing::Test {
protected:
    std::string True() const {
        return "<installedcheck type=\"check_directory\" path=\"" + Kestlib::WideToAnsi(folder.Path()) + "\"/>";
    }
    std::string False() const {
        return "<installedcheck type=\"check_directory\" path=\"" + Kestlib::WideToAnsi(folder / L"missing") +
               "\"/>";
    }
    std::string Throwing() const {
        return "<installedcheck type=\"check_registry_value\" rootkey=\"HKLM\" path=\"Software\" "
               "fieldtype=\"REG_SZ\" comparison=\"exists\"/>";
    }
    static std::string Op(const std::string& type, const std::string& children = "") {
        return "<installedcheckoperator type=\"" + type + "\" description=\"test\">" + children +
               "</installedcheckoperator>";
    }

    LogCapture log;
    TestSupport::TempFolder folder;
};

TEST_F(InstalledCheckOperatorTest, NoChildren) {
    EXPECT_FALSE(Evaluate(Op("And")));
    EXPECT_FALSE(Evaluate(Op("Or")));
    EXPECT_TRUE(Evaluate(Op("Not")));
}

TEST_F(InstalledCheckOperatorTest, And) {
    EXPECT_TRUE(Evaluate(Op("And", True())));
    EXPECT_TRUE(Evaluate(Op("And", True() + True())));
    EXPECT_FALSE(Evaluate(Op("And", True() + False())));
    EXPECT_FALSE(Evaluate(Op("And", False() + True())));
    // The first false child ends the evaluation.
    EXPECT_FALSE(EvaluateUnrecorded(Op("And", False() + Throwing())));
    EXPECT_THROW_MESSAGE(Evaluate(Op("And", True() + Throwing())), "Unknown HKEY: HKLM");
}

TEST_F(InstalledCheckOperatorTest, Or) {
    EXPECT_TRUE(Evaluate(Op("Or", False() + True())));
    EXPECT_FALSE(Evaluate(Op("Or", False() + False())));
    EXPECT_TRUE(EvaluateUnrecorded(Op("Or", True() + Throwing())));
    EXPECT_THROW_MESSAGE(Evaluate(Op("Or", False() + Throwing())), "Unknown HKEY: HKLM");
}

TEST_F(InstalledCheckOperatorTest, NotIsTheNegationOfOr) {
    EXPECT_TRUE(Evaluate(Op("Not", False())));
    EXPECT_TRUE(Evaluate(Op("Not", False() + False())));
    EXPECT_FALSE(Evaluate(Op("Not", False() + True())));
    EXPECT_FALSE(EvaluateUnrecorded(Op("Not", True() + Throwing())));
}

TEST_F(InstalledCheckOperatorTest, Nested) {
    EXPECT_TRUE(Evaluate(Op("And", Op("Or", False() + True()) + Op("Not", False()))));
    EXPECT_FALSE(Evaluate(Op("And", Op("Or", False() + True()) + Op("Not", True()))));
    EXPECT_TRUE(Evaluate(Op("Not", Op("And") + Op("Not", True()))));
}

TEST_F(InstalledCheckOperatorTest, UnknownTypeFailsOnlyWhenEvaluated) {
    InstalledCheckPtr check = LoadCheckUnrecorded(Op("XOR", True() + False()));
    EXPECT_TRUE(log.HasLine("Loaded 'XOR' installed check operator"));
    EXPECT_THROW_MESSAGE(check->IsInstalled(), "Invalid check operator \"XOR\"");
    EXPECT_THROW_MESSAGE(Evaluate(Op("and", True())), "Invalid check operator \"and\"");
    EXPECT_THROW_MESSAGE(Evaluate(Op("")), "Invalid check operator \"\"");
    // Nested, it fails the evaluation of its parent when reached.
    EXPECT_TRUE(LoadCheckUnrecorded(Op("Or", True() + Op("XOR")))->IsInstalled());
    EXPECT_THROW_MESSAGE(Evaluate(Op("Or", False() + Op("XOR"))), "Invalid check operator \"XOR\"");
}

TEST_F(InstalledCheckOperatorTest, ChildrenAreLoggedBeforeTheirOperator) {
    LoadCheckUnrecorded(Op("Or", "<!-- skipped -->text" + True() + Op("Not", False())));
    std::string text = log.Text();
    std::string path = Kestlib::WideToAnsi(folder.Path());
    size_t first = text.find("\tLoaded 'directory' installed check '" + path + "'\r\n");
    size_t second = text.find("\tLoaded 'directory' installed check '" + path + "\\missing'\r\n");
    size_t inner = text.find("\tLoaded 'Not' installed check operator\r\n");
    size_t outer = text.find("\tLoaded 'Or' installed check operator\r\n");
    ASSERT_NE(outer, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, inner);
    EXPECT_LT(inner, outer);
}

TEST_F(InstalledCheckOperatorTest, UnexpectedChildFailsTheLoad) {
    EXPECT_THROW_MESSAGE(LoadCheck(Op("And", True() + "<component/>")), "Unexpected node 'component'");
    EXPECT_THROW_MESSAGE(LoadCheck(Op("And", "<InstalledCheck type=\"check_directory\"/>")),
                         "Unexpected node 'InstalledCheck'");
    EXPECT_THROW_MESSAGE(LoadCheck(Op("And", "<installedcheck type=\"check_dir\"/>")),
                         "Invalid installed check type 'check_dir'");
}

class InstalledCheckFactoryTest : public ::testing::Test {
protected:
    LogCapture log;
};

TEST_F(InstalledCheckFactoryTest, TypesAreExact) {
    EXPECT_THROW_MESSAGE(InstalledCheckFactory::Create(L"check_registry"),
                         "Invalid installed check type 'check_registry'");
    EXPECT_THROW_MESSAGE(InstalledCheckFactory::Create(L"Check_File"), "Invalid installed check type 'Check_File'");
    EXPECT_THROW_MESSAGE(InstalledCheckFactory::Create(L""), "Invalid installed check type ''");
    EXPECT_THROW_MESSAGE(LoadCheck("<installedcheck path=\"C:\\\"/>"), "Invalid installed check type ''");
    for (const wchar_t* type : {L"check_registry_value", L"check_file", L"check_directory", L"check_product"}) {
        EXPECT_TRUE(static_cast<bool>(InstalledCheckFactory::Create(type)));
    }
}

TEST_F(InstalledCheckFactoryTest, ReadersCheckTheirElementName) {
    TiXmlDocument document;
    document.Parse("<check type=\"check_directory\"/>");
    for (const wchar_t* type : {L"check_registry_value", L"check_file", L"check_directory", L"check_product"}) {
        InstalledCheckPtr check = InstalledCheckFactory::Create(type);
        EXPECT_THROW_MESSAGE(check->Load(document.RootElement()), "Expected 'installedcheck' node, got 'check'");
        EXPECT_THROW_MESSAGE(check->Load(nullptr), "Expected 'installedcheck' node");
    }
    InstalledCheckOperator op;
    EXPECT_THROW_MESSAGE(op.Load(document.RootElement()), "Expected 'installedcheckoperator' node, got 'check'");
    EXPECT_THROW_MESSAGE(op.Load(nullptr), "Expected 'installedcheckoperator' node");
    EXPECT_THROW_MESSAGE(LoadCheck("<check type=\"check_directory\"/>"), "Unexpected node 'check'");
}

}  // namespace
