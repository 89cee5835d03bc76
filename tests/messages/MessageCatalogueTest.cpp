// The library's message table: every area's messages found by id with their
// exact texts, and nothing for an id no area declares.
#include "interface/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <string>

TEST(MessageCatalogue, FindsEachAreasMessagesByIdWithTheirTexts) {
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {10001, "Error"},                                                            // platform
        {1926, "The expression is empty."},                                          // formulas
        {1953, "The name is too long (at most 259 characters)."},                    // formulas, last
        {7401, "Failed to Initialize ZEFT - cannot load ZEFTHOST.DLL"},              // external models
        {10204, "Invalid Table Type Specified."},                                    // tables
        {15022, "Duplicate coefficient in table %1 for row %2 column %3"},           // tables
        {10012, "Warning"},                                                          // sources
        {10322, "[%1] KeyField not Found. "},                                        // sources, trailing space
        {10207, "Warning -- Empty or Bad Column Name cell encountered in Row, Column: "},  // worksheet
        {10252, "Invalid Excel spreadsheet format specified. [%1]"},                 // workbooks
        {10363, "An error occurred while trying to read the next record.\n\nMake sure the file has not been corrupted."},
        {10364, "Unknown SQL Data Type Encountered."},                               // dBase
        {10623, "Unknown SQL Data Type Encountered."},                               // ODBC, same text
        {10632, "The text of column [%1] could not be read whole."},                 // ODBC, last
        {10703, "An error occurred while trying to retrieve column information from table [%1]"},  // database classes
    };
    for (const Case& c : cases) EXPECT_EQ(dulo::LoadString(c.id), c.text) << c.id;
}

TEST(MessageCatalogue, UnknownIdsHaveNoText) {
    for (int id : {-5, 0, 1925, 10000, 10002, 10633, 99999}) EXPECT_EQ(dulo::LoadString(id), "") << id;
}

TEST(MessageCatalogue, SortedByIdWithEveryIdOnce) {
    const auto all = dulo::LibraryMessages();
    ASSERT_FALSE(all.empty());
    for (size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1].id, all[i].id) << all[i].id;
}
