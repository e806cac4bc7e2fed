// The Vyx reader the tool's dump, the tests and the fuzzers trust: every damaged file must
// be named as such and none may be read past its end. Each input sits in a heap block of
// exactly its size, so that the sanitizer build catches a read one byte too far.
#include "tools/vyx_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vyx/vyx_format.h"
#include "support.h"

namespace vyx = tessaryn::vyx;

namespace {

std::string parseExactCopy(const std::string& bytes) {
    std::unique_ptr<char[]> copy(new char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    vyx::File file;
    return vyx::parse(std::string_view(copy.get(), bytes.size()), file);
}

void appendInt32(std::string& bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((bits >> (8 * i)) & 0xff);
}

struct RawBlock {
    std::int32_t tag;
    std::int32_t size;  // as written in the header, whatever the payload holds
    std::int32_t count;
    std::size_t payloadBytes;
};

// A Vyx file of one vertex and then `block`, as the header claims it, and an end marker.
std::string fileWith(const RawBlock& block) {
    std::string bytes(vyx::kMagic);
    bytes.resize(vyx::kFileHeaderSize, '\0');
    for (std::int32_t word : {std::int32_t{vyx::kVertexTag}, std::int32_t{28}, 1, 0})
        appendInt32(bytes, word);
    bytes.append(12, '\0');
    for (std::int32_t word : {block.tag, block.size, block.count, 0}) appendInt32(bytes, word);
    bytes.append(block.payloadBytes, '\0');
    return bytes + std::string(vyx::kBlockHeaderSize, '\0');
}

TEST(VyxReader, EveryTruncatedPrefixOfAValidFileIsRefused) {
    for (const char* name : {"vyx-groups.vyx", "vyx-odd-numbers.vyx"}) {
        SCOPED_TRACE(name);
        const std::string whole =
            testing_support::readFile(testing_support::hostPath(TESSARYN_GOLDEN) + "/" + name);
        ASSERT_GT(whole.size(), vyx::kFileHeaderSize);
        EXPECT_EQ(parseExactCopy(whole), "");
        for (std::size_t length = 0; length < whole.size(); ++length) {
            EXPECT_NE(parseExactCopy(whole.substr(0, length)), "") << length << " bytes";
        }
    }
}

TEST(VyxReader, BlocksWhoseSizesDisagreeOrOverflowAreRefused) {
    constexpr std::int32_t kHeader = 16;
    const RawBlock kBlocks[] = {
        // count * element wraps to the payload size in 32 bits
        {vyx::kFaceTag, kHeader + 16, 268435457, 16},
        {vyx::kVertexTag, kHeader + 12, 1073741825, 12},
        {vyx::kTextureTag, kHeader + 32, 134217729, 32},
        {vyx::kColourTag, kHeader + 4, 1073741825, 4},
        // a payload that is not a whole number of elements, or disagrees with the count
        {vyx::kFaceTag, kHeader + 17, 1, 17},
        {vyx::kFaceTag, kHeader + 16, 2, 16},
        {vyx::kFaceGroupTag, kHeader + 2, 0, 2},
        // sizes and counts that cannot be
        {vyx::kFaceTag, kHeader - 1, 0, 0},
        {vyx::kFaceTag, -16, 0, 0},
        {vyx::kFaceTag, kHeader, -1, 0},
        {vyx::kFaceTag, 2147483647, 1, 16},
        {vyx::kMaskTag, kHeader + 1, 2147483647, 1},
    };
    for (const RawBlock& block : kBlocks) {
        SCOPED_TRACE("tag " + std::to_string(block.tag) + " size " + std::to_string(block.size) +
                     " count " + std::to_string(block.count));
        EXPECT_NE(parseExactCopy(fileWith(block)), "");
    }
    // The same files with the header telling the truth are read.
    EXPECT_EQ(parseExactCopy(fileWith({vyx::kFaceTag, kHeader + 16, 1, 16})), "");
    EXPECT_EQ(parseExactCopy(fileWith({vyx::kMaskTag, kHeader + 1, 1, 1})), "");
}

}  // namespace
