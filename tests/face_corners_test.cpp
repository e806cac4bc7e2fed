#include "crease/face_corners.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Corners {
    std::vector<std::int64_t> vertices;
    std::vector<std::int64_t> textures;
};

// Integers read by a C++ stream until one fails.
std::vector<std::int64_t> streamIntegers(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::int64_t> values;
    long long value = 0;
    while (in >> value) values.push_back(value);
    return values;
}

// The corner rules written the slow, obvious way: split at blanks, gather each token's
// vertex part and texture part, and read each list with a stream.
Corners referenceCorners(const std::string& corners) {
    if (corners.find('/') == std::string::npos) return {streamIntegers(corners), {}};
    std::string vertexText;
    std::string textureText;
    std::istringstream tokens(corners);
    for (std::string token; std::getline(tokens, token, ' ');) {
        if (token.empty()) continue;
        const std::size_t slash = token.find('/');
        vertexText += token.substr(0, slash) + " ";
        if (slash == std::string::npos || slash + 1 == token.size() ||
            token.find("//") != std::string::npos) {
            continue;
        }
        textureText += token.substr(slash + 1, token.find('/', slash + 1) - slash - 1) + " ";
    }
    return {streamIntegers(vertexText), streamIntegers(textureText)};
}

Corners readCorners(const std::string& corners) {
    Corners read;
    tessaryn::readFaceCorners(
        corners,
        [&](std::int64_t v) {
            read.vertices.push_back(v);
            return true;
        },
        [&](std::int64_t t) {
            read.textures.push_back(t);
            return true;
        });
    return read;
}

// Common tokens take a quicker way than odd ones; both must give what the rules give,
// on corner texts mixed from both kinds.
TEST(FaceCorners, CommonAndOddTokensReadAsTheRulesSay) {
    const char* const pieces[] = {"7",
                                  "12",
                                  "-3",
                                  "0",
                                  "/",
                                  "//",
                                  " ",
                                  " ",
                                  "\t",
                                  "+",
                                  "x",
                                  "-",
                                  "99999999999999999999",
                                  "1234567890123456789"};
    std::mt19937 random(7);
    std::vector<std::string> texts = {"1/1 2/2 3/3", "5//3 6//4 7//5", "5/ 6/",   "5/2/ 6/3/x",
                                      "5/2//1 6/3",  "-1/-1 -2/-2",    "3-4/2 5", "1/2/3/4//"};
    for (int i = 0; i < 50000; ++i) {
        std::string text;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k) text += pieces[random() % std::size(pieces)];
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE("corners \"" + text + "\"");
        const Corners expected = referenceCorners(text);
        const Corners read = readCorners(text);
        ASSERT_EQ(read.vertices, expected.vertices);
        ASSERT_EQ(read.textures, expected.textures);
    }
}

}  // namespace
