#include "remote/remotestate.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tunedeck {
namespace {

QueueNames namesof(const QueueNames* earlier, const std::vector<std::string>& names,
                   uint64_t revision) {
    return QueueNames(earlier, names.size(), revision,
                      [&names](std::size_t i) -> const std::string& { return names[i]; });
}

// A queue that grew shares its earlier names and reads the new ones; one built anew reads them
// all. Either way every name is where the queue has it, across the chunks the names are kept in.
TEST(QueueNames, GrownQueuesShareTheirEarlierNamesAndEveryNameIsInItsPlace) {
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) names.push_back("n" + std::to_string(i));
    const std::vector<std::string> first(names.begin(), names.begin() + 5000);
    const QueueNames earlier = namesof(nullptr, first, 1);
    const QueueNames grown = namesof(&earlier, names, 2);
    ASSERT_EQ(grown.size(), 10000u);
    for (std::size_t i : {0u, 4095u, 4096u, 4999u, 5000u, 8191u, 8192u, 9999u})
        EXPECT_EQ(grown[i], names[i]) << i;
    EXPECT_EQ(grown[0].data(), earlier[0].data());  // the full chunk is shared, not copied
    EXPECT_FALSE(grown == earlier);

    // Fewer names than the earlier copy: nothing of it is taken.
    names.resize(3);
    names[0] = "changed";
    const QueueNames shrunk = namesof(&grown, names, 3);
    ASSERT_EQ(shrunk.size(), 3u);
    EXPECT_EQ(shrunk[0], "changed");

    RemoteState state;
    state.queuenames = shrunk;
    state.queueplaying = 1;
    const auto page = nlohmann::json::parse(queuejson(state, 1, 5));
    EXPECT_EQ(page["total"], 3);
    ASSERT_EQ(page["entries"].size(), 2u);
    EXPECT_EQ(page["entries"][0]["name"], "n1");
    EXPECT_EQ(page["entries"][0]["playing"], true);
    EXPECT_EQ(page["revision"], "3");
}

}  // namespace
}  // namespace tunedeck
