#include "files/value_record.h"

#include <gtest/gtest.h>

TEST(ValueRecord, DefaultsAfterConstructionAndReset) {
    CValueRecord record(4);
    EXPECT_EQ(record.GetId(), 4);
    EXPECT_EQ(record.GetType(), 1);
    EXPECT_EQ(record.GetIndex(), -1);
    EXPECT_EQ(record.GetState(), 0);
    EXPECT_TRUE(record.GetSpareFlag());
    EXPECT_EQ(record.GetAmplitude(), CValueRecord::kNotMeasured);
    EXPECT_EQ(record.GetReferenceAmplitude(), CValueRecord::kNotMeasured);
    EXPECT_FALSE(record.IsChanged());

    record.SetFrequency(5);
    record.SetLabel(u"M1");
    record.SetSecondText(u"kept");
    record.Reset();
    EXPECT_EQ(record.GetId(), 0);
    EXPECT_EQ(record.GetFrequency(), 0u);
    EXPECT_TRUE(record.GetLabel().empty());
    EXPECT_EQ(record.GetSecondText(), u"kept");
    EXPECT_FALSE(record.IsChanged());
}

TEST(ValueRecord, DeltasAreFullSignedDifferencesAndUnmeasuredAmplitudesCancel) {
    CValueRecord record(0);
    EXPECT_DOUBLE_EQ(record.UpdateDeltaAmplitude(), 0.0);
    record.SetFrequency(4294967396ull);
    record.SetReferenceFrequency(100);
    EXPECT_EQ(record.UpdateDeltaFrequency(), 4294967296ll);
    // M2 at 3.0 GHz against M1 at 100 MHz, and the other way round.
    record.SetFrequency(3000000000ull);
    record.SetReferenceFrequency(100000000ull);
    EXPECT_EQ(record.UpdateDeltaFrequency(), 2900000000ll);
    record.SetFrequency(100000000ull);
    record.SetReferenceFrequency(3000000000ull);
    EXPECT_EQ(record.UpdateDeltaFrequency(), -2900000000ll);
    record.SetPosition2(5);
    record.SetReference2(3000000005ull);
    EXPECT_EQ(record.UpdateDelta2(), -3000000000ll);
    record.SetPosition3(10);
    record.SetReference3(30);
    EXPECT_EQ(record.UpdateDelta3(), -20);
    record.SetAmplitude(-10.0);
    EXPECT_DOUBLE_EQ(record.SetDeltaAmplitudeFrom(-4.0), 6.0);
}

TEST(ValueRecord, OnlyTheMarkingSettersSetChanged) {
    using Setter = void (*)(CValueRecord&);
    const Setter quiet[] = {
        [](CValueRecord& r) { r.SetDelta(1); },
        [](CValueRecord& r) { r.SetReferenceAmplitude(1.0); },
        [](CValueRecord& r) { r.SetMarkerOption(1); },
        [](CValueRecord& r) { r.SetReferenceY(1); },
        [](CValueRecord& r) { r.SetDeltaIndex(1); },
        [](CValueRecord& r) { r.SetCurrent(true); },
        [](CValueRecord& r) { r.SetLabel(u"x"); },
    };
    for (Setter set : quiet) {
        CValueRecord record(0);
        set(record);
        EXPECT_FALSE(record.IsChanged());
    }
    const Setter marking[] = {
        [](CValueRecord& r) { r.SetState(1); },      [](CValueRecord& r) { r.SetType(0); },
        [](CValueRecord& r) { r.SetFrequency(1); },  [](CValueRecord& r) { r.SetAmplitude(1); },
        [](CValueRecord& r) { r.SetPixelIndex(3); }, [](CValueRecord& r) { r.SetLiveY(3); },
    };
    for (Setter set : marking) {
        CValueRecord record(0);
        set(record);
        EXPECT_TRUE(record.IsChanged());
    }
}
