#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillet {

// The program's one table of user-visible texts. Each subsystem keeps its
// entries in its own block; the order of the enum is the order of the table.
enum class Msg {
    // Project document and file
    CantOpenFile,
    CantReadBadProject,
    ProjectLineExpected,
    ProjectLineRefused,
    ExpectedNoBlankLine,
    ExpectedLineEnd,
    ExpectedEndOfFile,
    ExpectedNumberAfter,
    ExpectedCountAfter,
    ExpectedCompanion,
    ExpectedBlockEnd,
    ExpectedActionType,
    ExpectedShallowerNesting,
    ExpectedDsnHead,
    ExpectedDsnSetting,
    ExpectedPort,
    CantCreateFile,
    SaveProjectFile,
    SaveChangesTo,
    ActionNameReserved,
    ActionNameIsDataSource,
    DataSourceNameInvalid,
    DataSourceNameReserved,
    DataSourceFieldSemicolon,
    PortOutOfRange,
    ProjectExists,

    // Networking: SMTP and DNS
    CantFindDnsServer,
    NoWebDomain,

    // Server identity and test mail
    CertificateUntrusted,
    CertificateChanged,
    FtpsNotOffered,
    HostKeyUnknown,
    HostKeyChanged,
    TestMailNoServer,
    TestMailProgram,
    TestMailNoAddress,
    TestMailPopRefused,
    TestMailBody,
    TestMailSent,
    TestMailFailed,
    TestMailLoginRefused,

    // HTML pages and form discovery
    CantFindFile,
    OutsideProjectFolder,
    NotAnOrdinaryFile,
    FileChangedReload,
    NameAlreadyUsed,
    NoFormInPage,
    UnnamedSubmitButton,
    OfferButtonName,
    NoNamedSubmitButton,

    // Script generator
    CgiPathMissing,
    ScriptCreatedPublish,
    NoFormLoaded,
    FormNotInPage,
    HandlerWithoutButton,
    DataSourceMissing,
    CriterionMissing,
    SeveralTablesOnDriver,
    ScriptDoesNotCompile,
    ActionDoesNotCompile,

    // Publishing, remote files and database administration
    CheckFtpSettings,
    CantUploadFile,
    CantSetPermission,
    CantDeleteRemoteFile,
    RenameNeedsAlphanumeric,
    InvalidAdminUrl,
    CantOpenUrl,
    DbAdminDropQuestion,
    DbAdminError,
    AdminScriptRefused,
    DeleteAdminScript,
    CantDeleteAdminScript,
    EnterFieldNameFirst,
    IntegerBetween,

    // Desktop application
    EnterDnsServer,
    DuplicateWebConfiguration,
    BadWebConfigurationName,
    ScriptUploadedTest,
    NoFormToTest,
    CantStartEditor,
    CantOpenAddress,

    // Long network work: time-outs and results
    ServerStalled,
    OneFileSent,
    FilesSent,
    PublishStopped,
    OneTableCreated,
    TablesCreated,
    TablesStopped,
    NoneListed,
    NoDnsServersFound,

    // Local preview
    PreviewNoLighttpd,
    PreviewServerFailed,
    PreviewProjectTooLarge,

    // Action pages
    FileModifiedSave,
    SelectTableInGrid,
    NoMessageTemplate,
    NoEmailRecipient,
    NoMessageToPost,
    NoRedirectUrl,

    // Form tab, action list and field dialogs
    ActionNameAlphanumeric,
    SelectSubmitButton,
    DiscardFormActions,
    NoFormSelectedForField,
    NotAnHtmlFile,
    SelectDefaultOption,

    // Query report designer
    SelectDataObject,
    SelectQueryAction,
    ReportNotPlaced,

    // Server check
    CheckUploadFailed,
    CheckNoAnswer,
    CheckSourceReturned,
    CheckPerlPathWrong,
    CheckCgiNotRun,
    CheckCgiRuns,
    CheckPerlVersion,
    CheckModuleFound,
    CheckModuleMissing,
    CheckDataWritable,
    CheckDataNotWritable,
    CheckMailFound,
    CheckMailMissing,
    CheckClock,
    CheckClockOff,

    Count
};

std::string_view MessageText(Msg id);

// Fills the placeholders "%s", "%d", "%ld" and "%c" of the text in order with
// the given arguments; "%%" stands for "%". Arguments are never read as formats.
std::string FormatMessage(Msg id, std::initializer_list<std::string_view> args = {});

} // namespace quillet
