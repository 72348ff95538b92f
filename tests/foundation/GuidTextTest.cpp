#include <gtest/gtest.h>

#include "foundation/GuidText.h"

namespace {

GUID SampleGuid() {
    return GUID{0x0123ABCDu, 0x4567u, 0x89EFu, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
}

TEST(GuidTextTest, FormatsRegistryFormUpperCase) {
    EXPECT_EQ(GuidToString(SampleGuid()), u"{0123ABCD-4567-89EF-FEDC-BA9876543210}");
    EXPECT_EQ(GuidToString(EmptyGuid()), u"{FFFFFC18-0000-0000-0000-000000000000}");
    EXPECT_EQ(GuidToString(SampleGuid()).size(), kGuidTextLength);
}

TEST(GuidTextTest, RoundTripsAndAcceptsLowerCase) {
    const GUID guids[] = {
        SampleGuid(), EmptyGuid(), GUID{},
        GUID{0xFFFFFFFFu, 0xFFFFu, 0xFFFFu, {255, 255, 255, 255, 255, 255, 255, 255}}};
    for (const GUID& g : guids) {
        EXPECT_EQ(StringToGuid(GuidToString(g)), g);
        EXPECT_EQ(StringToGuid(GuidToString(g).c_str()), g);
    }
    EXPECT_EQ(StringToGuid(u"{0123abcd-4567-89ef-fedc-ba9876543210}"), SampleGuid());
}

TEST(GuidTextTest, TextThatIsNotAGuidGivesEmptyGuid) {
    const WString bad[] = {
        u"",
        u"0123ABCD-4567-89EF-FEDC-BA9876543210",     // no braces
        u"{0123ABCD-4567-89EF-FEDC-BA9876543210",    // one brace missing
        u"{0123ABCD-4567-89EF-FEDC-BA98765432100}",  // too long
        u"{0123ABCD-4567-89EF-FEDC-BA987654321}",    // too short
        u"{0123ABCD-4567-89EF-FEDCBA9876543210-}",   // dash misplaced
        u"{0123ABCG-4567-89EF-FEDC-BA9876543210}",   // not hex
        u"{0123ABCD-4567-89EF-FEDC-BA987654321 }",   // space
        u"(0123ABCD-4567-89EF-FEDC-BA9876543210)",   // wrong brackets
        u"{+123ABCD-4567-89EF-FEDC-BA9876543210}",   // sign
    };
    for (const WString& text : bad) {
        EXPECT_EQ(StringToGuid(text), EmptyGuid());
    }
    EXPECT_EQ(StringToGuid(static_cast<const WChar*>(nullptr)), EmptyGuid());
}

}  // namespace
