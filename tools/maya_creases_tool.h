#pragma once

#include <string>
#include <vector>

// The options of `tessaryn creases` that only scenes as Maya saved them take.
struct MayaCreaseOptions {
    std::string node;          // --node NAME; empty: the one node that fits the OBJ
    std::string value = "10";  // --value V, as written into the scene
    bool given = false;        // either option was on the command line
};

// Takes --node NAME and --value V out of `words`. False, with the reason printed, when
// one lacks its value or the value is not a decimal of 0 or more.
bool takeMayaCreaseOptions(std::vector<std::string>& words, MayaCreaseOptions& options);

// `tessaryn creases` on a scene without the host's placeholder: prints the report or the
// reason for refusing; 0 when the scene was rewritten, else 1.
int creasesIntoMayaScene(const std::string& obj, const std::string& scene, bool smoothing,
                         const MayaCreaseOptions& options);
