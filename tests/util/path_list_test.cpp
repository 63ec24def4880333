#include "util/path_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Paths = std::vector<std::string>;

TEST(PathListTest, GivesBackEveryPathExactlyInOrderWhetherOrNotItHasThePrefix)
{
    struct Case {
        const char* prefix;
        Paths paths;
    };
    const Case cases[] = {
        {"", {"/a/b.png", "", "c.png"}},
        {"/pics/", {"/pics/a.png", "/other/b.png", "/pics/", "/pics/sub/c.png", "/pic"}},
        {"/pics/", {"", "relative.png", "/pics/x.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        PathList list{std::string(c.prefix)};
        for (const std::string& path : c.paths)
            list.push_back(path);
        ASSERT_EQ(list.size(), c.paths.size());
        for (std::size_t i = 0; i < c.paths.size(); ++i)
            EXPECT_EQ(list[i], c.paths[i]) << i;
        EXPECT_EQ(list.paths(), c.paths);
    }
}

TEST(PathListTest, KeepIfAndAppendKeepTheOrderAcrossPrefixes)
{
    PathList pictures(std::string("/pics/"));
    for (const char* path : {"/pics/1.png", "/elsewhere/2.png", "/pics/3.png", "/pics/4.png"})
        pictures.push_back(path);
    pictures.keepIf([](const std::string& path) { return path != "/pics/3.png"; });
    EXPECT_EQ(pictures.paths(), (Paths{"/pics/1.png", "/elsewhere/2.png", "/pics/4.png"}));

    PathList all(Paths{"/x/0.png"});
    all.append(pictures);
    all.append(PathList());
    EXPECT_EQ(all.paths(), (Paths{"/x/0.png", "/pics/1.png", "/elsewhere/2.png", "/pics/4.png"}));

    pictures.keepIf([](const std::string&) { return false; });
    EXPECT_TRUE(pictures.empty());
    pictures.push_back("/pics/5.png");
    EXPECT_EQ(pictures.paths(), Paths{"/pics/5.png"});
}
