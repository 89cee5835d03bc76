// Owning arrays, the message sink and the formatting of messages.
#include "platform/AutoDestructArray.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Named {
    std::string name;
    int order;
    static int alive;
    Named(std::string n, int o) : name(std::move(n)), order(o) { ++alive; }
    ~Named() { --alive; }
};
int Named::alive = 0;

int CompareNames(const Named* a, const Named* b) { return a->name < b->name ? -1 : a->name > b->name ? 1 : 0; }

}  // namespace

TEST(AutoDestructArray, OwnsItsElements) {
    Named::alive = 0;
    {
        CAutoDestructArray<Named> a(25);
        for (int i = 0; i < 100; ++i) a.Add(new Named("n", i));
        EXPECT_EQ(Named::alive, 100);
        a.RemoveAt(10, 5);
        EXPECT_EQ(Named::alive, 95);
        EXPECT_EQ(a.GetAt(10)->order, 15);
        Named* kept = a.Detach(0);
        EXPECT_EQ(Named::alive, 95);
        delete kept;
    }
    EXPECT_EQ(Named::alive, 0);
}

TEST(AutoDestructArray, BadIndexRaisesInvalidArgument) {
    CAutoDestructArray<Named> a;
    a.Add(new Named("a", 0));
    EXPECT_THROW(a.GetAt(1), CInvalidArgException);
    EXPECT_THROW(a.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(a.RemoveAt(0, 2), CInvalidArgException);
    EXPECT_THROW(a.InsertAt(3, nullptr), CInvalidArgException);
    EXPECT_NO_THROW(a.InsertAt(1, new Named("b", 1)));
    EXPECT_EQ(a.GetSize(), 2);
}

TEST(AutoDestructArray, SortedInsertKeepsArrivalOrderAmongEqualsLikeAppendAndResort) {
    CAutoDestructArray<Named> sorted(25, CompareNames);
    CAutoDestructArray<Named> resorted(25, CompareNames);
    const char* names[] = {"M", "B", "Z", "B", "A", "M", "B", "a", "Z"};
    int i = 0;
    for (const char* n : names) {
        sorted.AddSorted(new Named(n, i));
        resorted.Add(new Named(n, i));
        resorted.Sort();
        ++i;
    }
    ASSERT_EQ(sorted.GetSize(), resorted.GetSize());
    for (int k = 0; k < sorted.GetSize(); ++k) {
        EXPECT_EQ(sorted[k]->name, resorted[k]->name);
        EXPECT_EQ(sorted[k]->order, resorted[k]->order);
    }
    Named key("B", -1);
    int at = sorted.FindSorted(&key);
    ASSERT_GE(at, 0);
    EXPECT_EQ(sorted[at]->order, 1);  // the first "B" that arrived
    Named missing("C", -1);
    EXPECT_EQ(sorted.FindSorted(&missing), -1);
    Named lower("a", -1);
    EXPECT_GE(sorted.FindSorted(&lower), 0);  // case-sensitive: "a" is its own name
}

TEST(Messages, SinkReceivesCaptionAndTextAndSwitchSilencesIt) {
    std::vector<std::string> seen;
    auto sink = [](const char* caption, const char* text, void* ctx) {
        static_cast<std::vector<std::string>*>(ctx)->push_back(std::string(caption) + "|" + text);
    };
    dulo::SetMessageSink(sink, &seen, true);
    EXPECT_TRUE(dulo::MessagesOn());
    dulo::ShowMessage("first");
    dulo::SetMessageSink(sink, &seen, false);
    dulo::ShowMessage("hidden");
    EXPECT_FALSE(dulo::MessagesOn());
    dulo::SetMessageSink(nullptr, nullptr, true);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "Error|first");
}

TEST(MessageFormat, FormatsPlaceholdersInOrder) {
    EXPECT_EQ(dulo::FormatText("table %1 row %2 col %3 (%1)", {"BUY", "R1", "C"}), "table BUY row R1 col C (BUY)");
    EXPECT_EQ(dulo::FormatText("100% of %2", {"x"}), "100% of %2");  // missing arguments stay as written
}
