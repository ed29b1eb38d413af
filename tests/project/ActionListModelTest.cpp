#include "project/ActionListModel.h"
#include "project/AttachmentRules.h"
#include "project/Messages.h"
#include "project/Prompter.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

ActionList Named(std::initializer_list<const char*> names)
{
    ActionList list;
    for (const char* name : names) {
        Action action = *CreateAction(7);
        action.name = name;
        list.push_back(action);
    }
    return list;
}

std::vector<std::string> Names(const ActionList& list)
{
    std::vector<std::string> names;
    for (const Action& action : list)
        names.push_back(action.name);
    return names;
}

} // namespace

TEST(ActionList, KindsMenuCommands)
{
    EXPECT_EQ(ActionTypeForCommand(43000), ActionType::InsertRecord);
    EXPECT_EQ(ActionTypeForCommand(43004), ActionType::ConditionalStatement);
    EXPECT_EQ(ActionTypeForCommand(43007), ActionType::SetHttpCookies);
    EXPECT_EQ(ActionTypeForCommand(43010), ActionType::PostHtmlForm);
    EXPECT_EQ(ActionTypeForCommand(43011), std::nullopt);
    EXPECT_EQ(ActionTypeForCommand(42999), std::nullopt);
    for (int i = 0; i < static_cast<int>(kActionKindMenu.size()); ++i)
        EXPECT_TRUE(ActionTypeForCommand(kFirstActionCommand + i).has_value()) << i;
}

TEST(ActionList, NewActionsTakeTheFirstFreeNumber)
{
    ActionList list;
    EXPECT_EQ(NextActionName(list), "Action1");
    list = Named({"Action1", "Action3"});
    EXPECT_EQ(list[AppendNewAction(list, *CreateAction(0))].name, "Action2");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Action1", "Action3", "Action2"}));
}

TEST(ActionList, RenameRules)
{
    ActionList list = Named({"Action1", "Action2"});
    SilentPrompter prompter;
    EXPECT_EQ(RenameAction(list, 0, "2nd", prompter), RenameResult::Refused);
    EXPECT_EQ(prompter.LastText(), "Action name must contain only alphanumeric characters");
    EXPECT_EQ(RenameAction(list, 0, "a-b", prompter), RenameResult::Refused);
    EXPECT_EQ(RenameAction(list, 0, "FORM", prompter), RenameResult::Refused);
    EXPECT_EQ(prompter.LastText(), FormatMessage(Msg::ActionNameReserved, {"FORM"}));

    SilentPrompter quiet;
    EXPECT_EQ(RenameAction(list, 0, "Action2", quiet), RenameResult::Refused);
    EXPECT_EQ(RenameAction(list, 0, "   ", quiet), RenameResult::Refused);
    EXPECT_TRUE(quiet.LastText().empty());
    EXPECT_EQ(RenameAction(list, 0, "  total_1 ", quiet), RenameResult::Renamed);
    EXPECT_EQ(RenameAction(list, 1, "Action2", quiet), RenameResult::Renamed);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"total_1", "Action2"}));
}

TEST(ActionList, DeleteAndMove)
{
    ActionList list = Named({"a", "b", "c", "d", "e"});
    std::vector<size_t> order = MoveActionsBefore(list, {3, 2}, 0);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "d", "a", "b", "e"}));
    EXPECT_EQ(order, (std::vector<size_t>{2, 3, 0, 1, 4}));

    list = Named({"a", "b", "c"});
    MoveActionsBefore(list, {1}, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    MoveActionsBefore(list, {0, 1}, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    MoveActionsBefore(list, {0}, 7);
    MoveActionsBefore(list, {2}, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    MoveActionsBefore(list, {0, 2}, 1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c", "b"}));

    list = Named({"a", "b", "c", "d"});
    DeleteActions(list, {0, 2, 2, 9});
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "d"}));
}

TEST(Attachment, TypesFromTheChosenFile)
{
    Attachment a;
    ApplyOpenedAttachment(a, " /home/me/notes.TXT ");
    EXPECT_EQ(a.contentType, "text/plain");
    EXPECT_EQ(a.encoding, "8bit");
    EXPECT_EQ(a.path, "/home/me/notes.TXT");
    ApplyOpenedAttachment(a, "page.XHTML");
    EXPECT_EQ(a.contentType, "text/html");
    ApplyOpenedAttachment(a, "logo.gif");
    EXPECT_EQ(a.contentType, "application/octet-stream");
    EXPECT_EQ(a.encoding, "base64");
    EXPECT_EQ(a.binaryMode, 1);
    ApplyOpenedAttachment(a, "dir.txt/README");
    EXPECT_EQ(a.binaryMode, 1);

    ApplyOpenedAttachment(a, "notes.txt");
    FinishAttachment(a, "notes.txt", true);
    EXPECT_EQ(a.encoding, "7bit");
    EXPECT_EQ(a.kind, "FILE");

    ApplyAttachmentType(a, false);
    EXPECT_EQ(a.contentType, "application/octet-stream");
    EXPECT_EQ(a.isTemplate, 0);
    FinishAttachment(a, "notes.txt", false);
    EXPECT_EQ(a.binaryMode, 1);
    EXPECT_EQ(a.encoding, "base64");
    ApplyAttachmentType(a, true);
    EXPECT_EQ(a.isTemplate, 1);
}
