#include <gtest/gtest.h>

#include <cstring>

#include "core/data_block.h"

namespace {

TEST(CDataBlock, LengthPointerAndElementBounds) {
    CDataBlock block(nullptr, 16);
    EXPECT_EQ(block.SetLength(100), 16u);
    EXPECT_EQ(block.GetLength(), 16u);
    block.SetLength(10);
    EXPECT_EQ(block.GetPointer(10), block.GetPointer(0) + 10);  // the end of the data
    EXPECT_EQ(block.GetPointer(11), nullptr);
    EXPECT_TRUE(block.PutWord(4, 0xBEEF));  // bytes 8..9
    EXPECT_FALSE(block.PutWord(5, 1));      // bytes 10..11 lie beyond
    EXPECT_TRUE(block.PutDouble(0, 1.5));
    EXPECT_FALSE(block.PutDouble(1, 1.5));
    double d;
    std::memcpy(&d, block.GetPointer(0), 8);
    EXPECT_EQ(d, 1.5);
    uint16_t first = 0x3105;
    std::memcpy(block.GetPointer(0), &first, 2);
    EXPECT_EQ(block.GetTypeLow(), 0x05u);
    EXPECT_EQ(block.GetClass(), 0x3000u);
    CDataBlock empty(nullptr, 0);
    EXPECT_EQ(empty.GetTypeLow(), 15u);
    EXPECT_EQ(empty.GetClass(), 15u);
    EXPECT_EQ(empty.GetPointer(0), nullptr);
}

TEST(CDataBlock, DeletingAHeadDeletesTheChain) {
    auto* head = new CDataBlock(nullptr, 4);
    head->Append(new CDataBlock(nullptr, 4));
    head->Append(new CDataBlock(nullptr, 4));
    EXPECT_NE(head->GetNext()->GetNext(), nullptr);
    delete head;  // AddressSanitizer reports any block left behind
}

}  // namespace
