// The project as JSON text: every readable project of the test data comes
// back byte for byte, text to text nothing is lost, the members may come in
// any order, and hand-broken text is refused naming the first bad value.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "files/project_json.h"
#include "files/zembrix.h"
#include "files/zembrix_format.h"
#include "items/document.h"
#include "support/bytes.h"

namespace {

std::vector<uint8_t> bytes_of(const std::string &text)
{
    return {text.begin(), text.end()};
}

// The JSON of a project file as the command line writes it.
std::string exported(const std::string &path, std::vector<uint8_t> *resaved)
{
    ZbxProject project;
    if (!zembrix_read_file(path.c_str(), &project, nullptr, nullptr, nullptr)) {
        return "";
    }
    Document document;
    document.load(std::move(project));
    std::vector<uint8_t> preview;
    for (int i = 0; i < document.item_count(); i++) {
        preview.push_back(static_cast<uint8_t>(document.preview_colour(i)));
    }
    EXPECT_TRUE(zembrix_encode(document.project(), resaved, nullptr));
    return project_json_export(document.project(), preview);
}

std::string refusal(const std::string &text)
{
    ZbxProject project;
    project.items.resize(3);
    std::vector<uint8_t> preview = {9};
    GErrorPtr error;
    if (project_json_import(bytes_of(text), &project, &preview, error.out())) {
        return "read";
    }
    EXPECT_EQ(project.items.size(), 3u);
    EXPECT_EQ(preview, std::vector<uint8_t>{9});
    return error.message();
}

// The same text with the members of every object in another order: sorted
// by name, as tools that sort keys write them, or reversed, so that the
// number of items comes after the lists and the panels before the objects.
nlohmann::ordered_json reordered(const nlohmann::ordered_json &value, bool sorted)
{
    nlohmann::ordered_json out = value;
    if (value.is_array()) {
        for (auto &element : out) {
            element = reordered(element, sorted);
        }
    } else if (value.is_object()) {
        std::vector<std::string> keys;
        for (auto it = value.begin(); it != value.end(); ++it) {
            keys.push_back(it.key());
        }
        if (sorted) {
            std::sort(keys.begin(), keys.end());
        } else {
            std::reverse(keys.begin(), keys.end());
        }
        out = nlohmann::ordered_json::object();
        for (const std::string &key : keys) {
            out[key] = reordered(value[key], sorted);
        }
    }
    return out;
}

} // namespace

TEST(ProjectJson, EveryReadableProjectComesBackByteForByteAndTextForText)
{
    int projects = 0;
    for (const std::string folder :
         {"tests/data/files", "tests/data/reader", "resources/examples"}) {
        GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
        ASSERT_NE(dir, nullptr);
        while (const char *name = g_dir_read_name(dir)) {
            if (!g_str_has_suffix(name, ".prg")) {
                continue;
            }
            const std::string path = folder + "/" + name;
            std::vector<uint8_t> resaved;
            const std::string text = exported(path, &resaved);
            if (text.empty()) {
                continue; // no project
            }
            SCOPED_TRACE(path);
            projects++;
            ZbxProject project;
            std::vector<uint8_t> preview;
            GErrorPtr error;
            ASSERT_TRUE(project_json_import(bytes_of(text), &project, &preview, error.out()))
                << error.message();
            Document document;
            document.load(project);
            std::vector<uint8_t> written;
            ASSERT_TRUE(zembrix_encode(document.project(), &written, nullptr));
            EXPECT_EQ(written, resaved);
            EXPECT_EQ(project_json_export(project, preview), text);
        }
        g_dir_close(dir);
    }
    EXPECT_GE(projects, 25);
}

TEST(ProjectJson, WhatTheFileCannotHoldTravelsInTheText)
{
    std::vector<uint8_t> resaved;
    const std::string text = exported("tests/data/files/sample.prg", &resaved);
    ZbxProject project;
    std::vector<uint8_t> preview;
    ASSERT_TRUE(project_json_import(bytes_of(text), &project, &preview, nullptr));
    int panel = 0;
    while (project.items[panel].defs.empty()) {
        panel++;
    }
    project.items[panel].defs[0].enabled = false;
    preview[panel] = 13;
    ZbxProject again;
    std::vector<uint8_t> colours;
    ASSERT_TRUE(project_json_import(bytes_of(project_json_export(project, preview)), &again,
                                    &colours, nullptr));
    EXPECT_FALSE(again.items[panel].defs[0].enabled);
    EXPECT_EQ(colours[panel], 13);
    EXPECT_TRUE(again == project);
    // One placement a line: a diff of one moved placement is one line.
    EXPECT_NE(text.find("\n        {\"item\": "), std::string::npos);
}

TEST(ProjectJson, MembersInAnyOrderReadTheSameAndAreCheckedTheSame)
{
    std::vector<uint8_t> resaved;
    const std::string text = exported("tests/data/files/sample.prg", &resaved);
    ZbxProject project;
    std::vector<uint8_t> preview;
    ASSERT_TRUE(project_json_import(bytes_of(text), &project, &preview, nullptr));
    const auto json = nlohmann::ordered_json::parse(text);
    for (const bool sorted : {true, false}) {
        SCOPED_TRACE(sorted ? "sorted" : "reversed");
        nlohmann::ordered_json other = reordered(json, sorted);
        ZbxProject again;
        std::vector<uint8_t> colours;
        GErrorPtr error;
        ASSERT_TRUE(project_json_import(bytes_of(other.dump(2)), &again, &colours, error.out()))
            << error.message();
        EXPECT_TRUE(again == project);
        EXPECT_EQ(colours, preview);

        // Panels 1 and 3 place panels; the second object takes the first's
        // index. Each bad value is named as in the written order.
        other["panels"][0]["placements"][0]["y"] = 140;
        EXPECT_EQ(refusal(other.dump()), "panels[0].placements[0].y: 140 is outside -112..136");
        other["panels"][0]["placements"][0]["y"] = json["panels"][0]["placements"][0]["y"];
        other["panels"][1]["placements"][1]["mirror"] = true;
        EXPECT_EQ(refusal(other.dump()),
                  "panels[1].placements[1]: places a panel, which has no mirror and no overrides");
        other["panels"][1]["placements"][1].erase("mirror");
        other["objects"][1]["index"] = other["objects"][0]["index"];
        EXPECT_EQ(refusal(other.dump()), "objects[1].index: 0 is given twice");
        other["objects"][1]["index"] = 1;
        other["objects"][1].erase("width");
        EXPECT_EQ(refusal(other.dump()), "objects[1].width: is missing");
    }
}

TEST(ProjectJson, HandBrokenTextIsRefusedNamingTheFirstBadValue)
{
    std::vector<uint8_t> resaved;
    const std::string good = exported("tests/data/files/sample.prg", &resaved);
    ASSERT_EQ(refusal(good), "read");
    struct Case
    {
        std::string from, to, message;
    } const cases[] = {
        {"\"version\": 1", "\"version\": 2", "version: 2 is a version this Zembrix cannot read"},
        {"\"format\": \"zembrix project\"", "\"format\": \"other\"",
         "format: \"other\" is not \"zembrix project\""},
        {"\"items\": 10", "\"items\": 300", "items: 300 is outside 0..255"},
        {"{\"item\": 0, \"x\": 0,", "{\"item\": 0, \"x\": 500,",
         "panels[0].placements[0].x: 500 is outside -112..392"},
        {"{\"item\": 0, \"x\": 0,", "{\"item\": 0, \"x\": 4,",
         "panels[0].placements[0].x: 4 is not a whole cell"},
        {"\"enabled\": true", "\"enabled\": 1",
         "panels[0].placements[0].enabled: 1 is not true or false"},
        {"\"width\": 3", "\"width\": 16", "objects[0].width: 16 is outside 1..15"},
        {"\"preview_colour\": 14", "\"preview_colour\": 16",
         "panels[0].preview_colour: 16 is outside 0..15"},
        {"\"colour\": 6}", "\"colour\": \"blue\"}",
         "locations[0].colour: \"blue\" is not a whole number"},
        {"\"colour\": 6}", "\"colour\": [6, {\"a\": []}]}",
         "locations[0].colour: [...] is not a whole number"},
        {"\"index\": 1,", "\"index\": 0,", "objects[1].index: 0 is given twice"},
    };
    for (const Case &c : cases) {
        std::string broken = good;
        const size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        broken.replace(at, c.from.size(), c.to);
        EXPECT_EQ(refusal(broken), c.message) << c.to;
    }
    EXPECT_NE(refusal(good.substr(0, good.size() / 2)).find("Not JSON"), std::string::npos);
}
