#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "html/HtmlText.h"
#include "project/Action.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadBytes;

namespace {

// Pages shaped like those found in the wild, each with the forms and fields a
// browser's DOM finds in it (the end-to-end browser test holds the two lists to
// each other): "form name", then "  kind<TAB>name" per field, names decoded.
std::vector<std::filesystem::path> CorpusPages()
{
    std::vector<std::filesystem::path> pages;
    for (const auto& entry : std::filesystem::directory_iterator(QUILLET_TEST_DATA "/pages"))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

std::string FormsAsListed(const std::filesystem::path& page)
{
    Form form;
    form.pageFile = page.string();
    LoadedPage loaded(page.string());
    if (FindForm(form, loaded) != FindFormResult::Found)
        return "no form";
    std::string text;
    HtmlPage& nodes = *loaded.Nodes();
    for (const FormEntry& entry : ListForms(form, loaded).entries) {
        text += entry.name + "\n";
        for (HtmlIter field : FormFields(nodes, entry.node))
            text += "  " + std::string(FieldKindLabel(*FieldKindOf(*field))) + "\t" +
                    DecodeEntities(AttrValue(*field, "NAME")) + "\n";
    }
    return text;
}

TEST(PageCorpus, FormsAndFieldsAreThoseABrowserSees)
{
    std::vector<std::filesystem::path> pages = CorpusPages();
    ASSERT_GE(pages.size(), 5u);
    for (const auto& page : pages) {
        std::filesystem::path expected = page;
        EXPECT_EQ(FormsAsListed(page), ReadBytes(expected.replace_extension(".fields").string())) << page;
    }
}

TEST(PageCorpus, EveryPageIsWrittenBackByteForByte)
{
    for (const auto& page : CorpusPages()) {
        PageFile file(page.string());
        ASSERT_TRUE(file.Read()) << page;
        EXPECT_FALSE(file.OpenAtEnd()) << page;
        EXPECT_EQ(file.DiskText(), ReadBytes(page.string())) << page;
    }
}

} // namespace
