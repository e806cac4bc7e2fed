#include "both_ways.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support.h"
#include "tools/second_thread.h"

namespace testing_support {

namespace {

std::vector<std::optional<std::string>> contents(const std::vector<std::string>& files) {
    std::vector<std::optional<std::string>> bytes;
    for (const std::string& file : files)
        bytes.push_back(fileExists(file) ? std::optional<std::string>(readFile(file))
                                         : std::nullopt);
    return bytes;
}

void restore(const std::vector<std::string>& files,
             const std::vector<std::optional<std::string>>& bytes) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::error_code ignored;
        if (bytes[i]) {
            writeFile(files[i], *bytes[i]);
        } else {
            std::filesystem::remove(files[i], ignored);
        }
    }
}

}  // namespace

tessaryn::SceneCreaseReport writeSceneCreasesBothWays(tessaryn::SceneCreaseRequest request,
                                                      const std::vector<std::string>& files) {
    const auto before = contents(files);
    request.secondThread = nullptr;
    const tessaryn::SceneCreaseReport one = tessaryn::writeSceneCreases(request);
    const auto afterOne = contents(files);
    restore(files, before);
    tool::LentThread lent;
    request.secondThread = &lent.lend();
    const tessaryn::SceneCreaseReport two = tessaryn::writeSceneCreases(request);
    SCOPED_TRACE("one thread against two");
    EXPECT_EQ(contents(files), afterOne);
    EXPECT_EQ(two.outcome, one.outcome);
    EXPECT_EQ(two.file, one.file);
    EXPECT_EQ(two.error, one.error);
    EXPECT_EQ(two.line, one.line);
    EXPECT_EQ(two.detail, one.detail);
    EXPECT_EQ(two.node.path, one.node.path);
    EXPECT_EQ(two.candidates.size(), one.candidates.size());
    EXPECT_EQ(two.groups, one.groups);
    EXPECT_EQ(two.objVertices, one.objVertices);
    EXPECT_EQ(two.creaseEdges, one.creaseEdges);
    EXPECT_EQ(two.written, one.written);
    EXPECT_EQ(two.replaced, one.replaced);
    EXPECT_EQ(two.kept, one.kept);
    EXPECT_EQ(two.dropped, one.dropped);
    EXPECT_EQ(two.missing, one.missing);
    EXPECT_EQ(two.missingEdge[0], one.missingEdge[0]);
    EXPECT_EQ(two.missingEdge[1], one.missingEdge[1]);
    EXPECT_EQ(two.changed, one.changed);
    EXPECT_EQ(two.output, one.output);
    EXPECT_EQ(two.warnings, one.warnings);
    return two;
}

}  // namespace testing_support
