// The keldrin command line: a thin front end over the calls the desktop program makes.
#include <CLI/CLI.hpp>

#include "cli/Commands.h"

namespace {

using keldrin::cli::ScanOptions;
using keldrin::cli::TypeOptions;

void AddTypeOptions(CLI::App* command, TypeOptions* types) {
    auto* byType = command->add_option("--types", types->types,
                                       "file types: photo,audio,video,document,archive,others")
                       ->delimiter(',');
    auto* byExt =
        command->add_option("--ext", types->extensions, "file extensions: jpg,png,...")
            ->delimiter(',');
    byType->excludes(byExt);
}

void AddScanOptions(CLI::App* command, ScanOptions* options) {
    command->add_option("--mode", options->mode, "scan mode")
        ->check(CLI::IsMember({"fast", "deep"}))
        ->default_val("fast");
    command->add_option("SOURCE", options->source,
                        "image file, device node, disk:N or disk:N:START:COUNT")
        ->required();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"keldrin: recover deleted files from FAT and NTFS media"};
    app.require_subcommand(1);
    int status = 0;

    std::string detectSource;
    auto* detect = app.add_subcommand("detect", "show the file system the factory recognises");
    detect->add_option("SOURCE", detectSource,
                       "image file, device node, disk:N or disk:N:START:COUNT")
        ->required();
    detect->callback([&] { status = keldrin::cli::RunDetect(detectSource); });

    auto* log = app.add_subcommand("log", "look inside scan logs");
    log->require_subcommand(1);
    std::string logPath;
    TypeOptions logTypes;
    bool logJson = false;
    auto* show = log->add_subcommand("show", "count, root listing or filtered files of a log");
    show->add_option("LOG", logPath, "FOLDER/NAME of the store's main file (FOLDER may be "
                                     "relative to the ScanLog folder)")
        ->required();
    AddTypeOptions(show, &logTypes);
    show->add_flag("--json", logJson, "JSON output");
    show->callback([&] { status = keldrin::cli::RunLogShow(logPath, logTypes, logJson); });

    ScanOptions scanOptions;
    auto* scan = app.add_subcommand("scan", "scan a source and count what was found");
    AddScanOptions(scan, &scanOptions);
    scan->callback([&] { status = keldrin::cli::RunScan(scanOptions); });

    ScanOptions listOptions;
    auto* list = app.add_subcommand("list", "scan a source and list the found entries");
    AddScanOptions(list, &listOptions);
    AddTypeOptions(list, &listOptions.types);
    list->add_flag("--json", listOptions.json, "JSON output");
    list->callback([&] { status = keldrin::cli::RunList(listOptions); });

    ScanOptions recoverOptions;
    auto* recover = app.add_subcommand("recover", "scan a source and recover the found files");
    AddScanOptions(recover, &recoverOptions);
    AddTypeOptions(recover, &recoverOptions.types);
    recover->add_option("--to", recoverOptions.destination, "destination folder")->required();
    auto* keep = recover->add_flag("--keep-folders", recoverOptions.keepFolders,
                                   "recreate the found folder tree instead of type folders");
    keep->excludes("--types")->excludes("--ext");
    recover->callback([&] { status = keldrin::cli::RunRecover(recoverOptions); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return status;
}
