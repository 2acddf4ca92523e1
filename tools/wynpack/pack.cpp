// One packing run (see pack.h).
#include "pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "archive_merge.h"
#include "byte_order.h"
#include "config_checks.h"
#include "config_text.h"
#include "format/zip_records.h"
#include "input_files.h"
#include "install_layout.h"
#include "interruption.h"
#include "main_class.h"
#include "manifest_options.h"
#include "output_file.h"
#include "pe_image.h"
#include "splash_entry.h"
#include "tray_icon_png.h"
#include "windows_resources.h"
#include "zip64_locator.h"

namespace wynpack {

namespace {

bool readConfigText(const std::string& path, std::string& utf8, Problem& problem) {
    std::string bytes;
    if (!readInputFile(path, "configuration file", bytes, problem)) {
        return false;
    }
    DecodedText text;
    std::string reason;
    if (!decodeConfigText(bytes, text, reason)) {
        return fail(problem, ExitStatus::BadInput,
                    "configuration file " + quoted(path) + " " + reason);
    }
    utf8 = std::move(text.utf8);
    return true;
}

// Completes and checks the configuration against the jars, then builds its block.
bool makeConfigBlock(const PackOptions& options, std::string utf8, const ArchiveMerger& jars,
                     const PackMessages& messages, std::string& block, Problem& problem) {
    if (!completeMainClass(utf8, jars, options.config, messages.note, problem) ||
        !addManifestOptions(utf8, jars, messages.note, problem)) {
        return false;
    }
    for (const std::string& warning : configWarnings(utf8)) {
        messages.warning(quoted(options.config) + " " + warning);
    }
    for (const std::string& note : configNotes(utf8)) {
        messages.note(quoted(options.config) + " " + note);
    }
    bool classPathConfigured =
        firstKeyLine(utf8, "classpath").found || firstKeyLine(utf8, "java_classpath").found;
    if (!checkMainClass(firstKeyLine(utf8, "mainclass").value, classPathConfigured, jars,
                        messages.warning, problem)) {
        return false;
    }
    if (!options.splashTitle.empty()) {
        utf8 = "splashtitle " + options.splashTitle + "\r\n" + utf8;
    }
    if (!buildConfigBlock(utf8, block)) {
        return fail(problem, ExitStatus::BadInput,
                    "configuration file " + quoted(options.config) + " is too large");
    }
    return true;
}

// Has the entry that `splash` names stored uncompressed, so that the launcher can read it;
// warns when the name is neither an entry of the jars nor a file beside the output.
void prepareSplashEntry(const PackOptions& options, const std::string& utf8, ArchiveMerger& merger,
                        const PackMessages& messages) {
    KeyLine line = firstKeyLine(utf8, "splash");
    std::string name = splashEntryName(line.value);
    if (name.empty()) {
        return;
    }
    for (size_t source = 0; source < merger.sourceCount(); ++source) {
        if (merger.hasEntry(source, name)) {
            merger.storeUncompressed(name);
            return;
        }
    }
    struct stat st;
    if (stat((directoryOf(options.output) + "/" + name).c_str(), &st) == 0) {
        return;
    }
    messages.warning(quoted(options.config) + " line " + std::to_string(line.lineNumber) +
                     ": splash " + quoted(name) +
                     " is neither an entry of the jars nor a file beside " +
                     quoted(options.output) + ": the program shows no image for it");
}

// The files the packed program reads at run time as its external configuration: the output's
// path with ".cfg" or ".config" added, or put in place of its extension.
std::vector<std::string> externalConfigNames(const std::string& output) {
    std::vector<std::string> names = {output + ".cfg", output + ".config"};
    size_t dot = output.rfind('.');
    if (dot != std::string::npos && output.find('/', dot) == std::string::npos) {
        names.push_back(output.substr(0, dot) + ".cfg");
        names.push_back(output.substr(0, dot) + ".config");
    }
    return names;
}

void warnIfAlsoExternal(const PackOptions& options, const PackMessages& messages) {
    FileId config;
    if (!fileIdOf(options.config, config)) {
        return;
    }
    for (const std::string& name : externalConfigNames(options.output)) {
        FileId candidate;
        if (fileIdOf(name, candidate) && candidate == config) {
            messages.warning(quoted(options.config) + " is also the external configuration " +
                             quoted(options.output) +
                             " reads beside itself at run time: its lines would count twice "
                             "(once from the file, once embedded); name it differently");
            return;
        }
    }
}

// The output must be a file name in an existing directory and none of the inputs.
bool checkOutputPath(const std::string& output, const std::vector<std::string>& inputs,
                     Problem& problem) {
    struct stat st;
    std::string directory = directoryOf(output);
    if (output.back() == '/' || (stat(output.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        return fail(problem, ExitStatus::BadInput, "output " + quoted(output) + " is a directory");
    }
    if (stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // Renaming over a device or a pipe would replace it, not write into it.
        return fail(problem, ExitStatus::BadInput,
                    "output " + quoted(output) + " exists and is not a regular file");
    }
    if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return fail(problem, ExitStatus::BadInput,
                    "the directory of the output " + quoted(output) + " does not exist");
    }
    FileId outputId;
    if (!fileIdOf(output, outputId)) {
        return true;
    }
    for (const std::string& input : inputs) {
        FileId inputId;
        if (fileIdOf(input, inputId) && inputId == outputId) {
            return fail(problem, ExitStatus::BadInput,
                        "output " + quoted(output) + " is the input " + quoted(input));
        }
    }
    return true;
}

// The last bytes of the written archive, as many as the ZIP64 locator check needs.
bool readArchiveTail(const std::string& path, std::string& tail, Problem& problem) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    bool ok = fd >= 0 && fstat(fd, &st) == 0;
    if (ok) {
        auto size = static_cast<uint64_t>(st.st_size);
        uint64_t length = size < kArchiveTailSize ? size : kArchiveTailSize;
        tail.resize(length);
        ok = pread(fd, tail.data(), length, static_cast<off_t>(size - length)) ==
             static_cast<ssize_t>(length);
    }
    int error = errno;
    if (fd >= 0) {
        close(fd);
    }
    return ok ? true
              : fail(problem, ExitStatus::Failed,
                     "cannot read the archive " + quoted(path) + ": " + std::strerror(error));
}

std::string baseNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The version information's fields: the options, with defaults from the output's name.
VersionFields versionFieldsFor(const PackOptions& options) {
    std::string fileName = baseNameOf(options.output);
    std::string name = fileName.substr(0, fileName.rfind('.'));
    if (name.empty()) {
        name = fileName;
    }
    auto orDefault = [](const std::string& value, const std::string& fallback) {
        return value.empty() ? fallback : value;
    };
    VersionFields fields;
    fields.fileVersion = orDefault(options.fileVersion, "1.0.0.0");
    fields.productVersion = orDefault(options.productVersion, fields.fileVersion);
    fields.strings = {
        {"CompanyName", options.company},
        {"FileDescription", orDefault(options.description, name)},
        {"FileVersion", fields.fileVersion},
        {"InternalName", orDefault(options.internalName, name)},
        {"LegalCopyright", options.copyright},
        {"OriginalFilename", orDefault(options.originalFilename, fileName)},
        {"ProductName", orDefault(options.productName, name)},
        {"ProductVersion", fields.productVersion},
    };
    return fields;
}

// Puts the requested resources into a Windows stub; a Linux stub takes none of them.
bool prepareStub(const PackOptions& options, const std::string& stubPath, std::string& stub,
                 size_t& checksumOffset, Problem& problem) {
    checksumOffset = 0;
    if (!looksLikePeImage(stub)) {
        const char* option = options.windowsOnlyOption();
        return option == nullptr ? true
                                 : fail(problem, ExitStatus::BadInput,
                                        std::string(option) + " needs a Windows stub; " +
                                            quoted(stubPath) + " is not one");
    }
    WindowsResources resources;
    for (const IconOption& icon : options.icons) {
        IconFile file{icon.groupId, icon.path, {}};
        if (!readInputFile(icon.path, "icon", file.bytes, problem)) {
            return false;
        }
        resources.icons.push_back(std::move(file));
    }
    if (!options.splash.empty()) {
        resources.splashPath = options.splash;
        if (!readInputFile(options.splash, "splash image", resources.splashBytes, problem)) {
            return false;
        }
    }
    resources.version = versionFieldsFor(options);
    resources.manifest = {options.dpiAware, options.requireAdmin, options.utf8, options.longPaths};
    resources.console = options.console;
    std::string message;
    return applyWindowsResources(stub, stubPath, resources, checksumOffset, message)
               ? true
               : fail(problem, ExitStatus::BadInput, message);
}

// Gives every icon id its image for the Linux tray. An icon file without a bitmap the
// image can be made of is noted and packed without one; a file that is no icon fails.
bool addTrayIconImages(const PackOptions& options, ArchiveMerger& merger,
                       const PackMessages& messages, Problem& problem) {
    for (const IconOption& icon : options.icons) {
        std::string bytes;
        if (!readInputFile(icon.path, "icon", bytes, problem)) {
            return false;
        }
        std::vector<IconImage> images;
        std::string reason;
        if (!parseIconFile(bytes, images, reason)) {
            return fail(problem, ExitStatus::BadInput, "icon " + quoted(icon.path) + " " + reason);
        }
        std::string png;
        if (!makeTrayIconPng(images, png, reason)) {
            messages.note("no Linux tray image for icon " + std::to_string(icon.groupId) + ": " +
                          quoted(icon.path) + " " + reason);
            continue;
        }
        merger.addStoredEntry(trayIconEntryName(icon.groupId), std::move(png), packedEntryTime());
    }
    return true;
}

// Makes a Windows executable's size a multiple of 8 by growing the archive's comment, so that
// a signing tool appends its certificate table right behind the archive, without padding.
bool alignForSigning(OutputFile& output, const std::string& archiveTail, Problem& problem) {
    size_t size = archiveTail.size();
    uint32_t padding = static_cast<uint32_t>((8 - output.size() % 8) % 8);
    ZipEndRecord record;
    if (padding == 0 || size < kZipEndRecordSize ||
        !readZipEndRecord(
            reinterpret_cast<const unsigned char*>(archiveTail.data()) + size - kZipEndRecordSize,
            record) ||
        record.commentLength != 0) {
        return true;
    }
    std::string length;
    appendLittleEndian16(length, padding);
    return output.write(std::string(padding, ' '), problem) &&
           output.overwriteFromEnd(padding + 2, length, problem);
}

// Sums the written file and stores its PE checksum.
bool storeChecksum(OutputFile& output, size_t checksumOffset, Problem& problem) {
    int fd = open(output.temporaryPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot read " + quoted(output.temporaryPath()) + ": " + std::strerror(errno));
    }
    PeChecksum sum;
    std::vector<char> buffer(1 << 20);
    ssize_t n = 0;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            sum.add(std::string_view(buffer.data(), static_cast<size_t>(n)));
        }
    }
    int error = errno;
    close(fd);
    if (n < 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot read " + quoted(output.temporaryPath()) + ": " + std::strerror(error));
    }
    std::string value;
    appendLittleEndian32(value, sum.finish());
    return output.overwriteAt(checksumOffset, value, problem);
}

// Appends the archive and makes its ZIP64 locator, if it has one, count from the file's start.
// A Windows executable is also aligned for signing and gets its checksum.
bool appendArchive(OutputFile& output, const std::string& archive, uint64_t prefixLength,
                   size_t checksumOffset, Problem& problem) {
    std::string tail;
    if (!readArchiveTail(archive, tail, problem) || !output.appendFileContent(archive, problem)) {
        return false;
    }
    LocatorFix fix = zip64LocatorFix(tail, prefixLength);
    if (fix.needed && !output.overwriteFromEnd(fix.distanceFromEnd, fix.bytes, problem)) {
        return false;
    }
    return checksumOffset == 0 || (alignForSigning(output, tail, problem) &&
                                   storeChecksum(output, checksumOffset, problem));
}

}  // namespace

bool pack(const PackOptions& options, const std::string& toolPath, const PackMessages& messages,
          std::string& summary, Problem& problem) {
    ToolInput stubInput;
    ToolInput supportJar;
    if (!findToolInputs(options, toolPath, stubInput, supportJar, problem)) {
        return false;
    }
    const std::string& stubPath = stubInput.name;
    std::vector<std::string> inputs = options.jars;
    inputs.push_back(options.config);
    if (!stubInput.carried) {
        inputs.push_back(stubPath);
    }
    if (!options.noSupport && !supportJar.carried) {
        inputs.push_back(supportJar.name);
    }
    if (!checkOutputPath(options.output, inputs, problem)) {
        return false;
    }
    warnIfAlsoExternal(options, messages);
    std::string configText;
    if (!readConfigText(options.config, configText, problem)) {
        return false;
    }
    std::string stub = std::move(stubInput.bytes);
    size_t checksumOffset = 0;
    if ((!stubInput.carried && !readInputFile(stubPath, "stub", stub, problem)) ||
        !prepareStub(options, stubPath, stub, checksumOffset, problem)) {
        return false;
    }
    ArchiveMerger merger;
    for (const std::string& jar : options.jars) {
        if (!merger.addSource(jar, problem)) {
            return false;
        }
    }
    if (!options.noSupport &&
        !(supportJar.carried
              ? merger.addSourceBytes(supportJar.name, std::move(supportJar.bytes), problem)
              : merger.addSource(supportJar.name, problem))) {
        return false;
    }
    if (!addTrayIconImages(options, merger, messages, problem)) {
        return false;
    }
    prepareSplashEntry(options, configText, merger, messages);
    std::string block;
    if (!makeConfigBlock(options, std::move(configText), merger, messages, block, problem)) {
        return false;
    }

    installInterruptHandlers();
    OutputFile output;
    TempFile archive;
    bool written =
        output.create(options.output, problem) &&
        archive.create(options.output, "wynpack-zip", problem) && archive.closeFile(problem) &&
        merger.writeTo(archive.path(), messages.note, problem) && output.write(stub, problem) &&
        output.write(block, problem) &&
        appendArchive(output, archive.path(), stub.size() + block.size(), checksumOffset, problem);
    uint64_t size = output.size();
    if (!written || !output.commit(problem)) {
        return false;
    }
    std::string target = options.target.empty() ? "stub " + quoted(stubPath) : options.target;
    summary = "packed " + quoted(options.output) + " for " + target + ": " + std::to_string(size) +
              " bytes, " + std::to_string(options.jars.size()) +
              (options.jars.size() == 1 ? " jar, " : " jars, ") +
              std::to_string(merger.entriesWritten()) + " entries";
    return true;
}

}  // namespace wynpack
