#include "main/CommandLineReader.h"

#include <fstream>
#include <iterator>

#include "common/StringUtils.h"
#include "main/FSwitchValue.h"
#include "output/ConsoleOutput.h"
#include "output/DualOutput.h"
#include "output/LogFileOutput.h"
#include "platform/Locale.h"

VelCommandLineReader::VelCommandLineReader(VelArgumentHandler& arguments, VelSyncFlags& options,
                                           ConnectionOptions& source,
                                           ConnectionOptions& destination,
                                           platform::Console& console)
    : Arguments(arguments),
      Options(options),
      Source(source),
      Destination(destination),
      Console(console) {}

bool VelCommandLineReader::Take(const std::string& name) {
    return Arguments.TakeSwitch(name, mmPrefixIgnoreCase);
}

bool VelCommandLineReader::TakeValue(const std::string& name, std::string& value) {
    std::string argument;
    if (!Arguments.TakeSwitchValue(name, argument, mmPrefixIgnoreCase)) return false;
    value = TextAfter(argument, ":");
    return true;
}

void VelCommandLineReader::WriteLine(const std::string& text) {
    Console.Write(text + "\r\n");
}

bool VelCommandLineReader::Read() {
    ReadUsageSwitch();
    ReadModes();
    // Before /C and /M, which begin their names.
    if (!ReadCertificates() || !ReadParallelCopies()) return false;
    ReadFlags();
    BuildConsole();
    ReadVerbosity();
    ReadStartDate();
    ReadDrift();
    JoinLogFiles();
    JoinTally();
    ReadTransferModes(Source, nullptr);
    ReadTransferModes(Destination, &Source);
    ReadLogins();
    if (!ReadFSwitch()) return false;
    ReadTextFileSpecs();
    ReadSpecs();
    ReadLocations();
    return true;
}

void VelCommandLineReader::ReadUsageSwitch() {
    if (Take("/H") || Take("/?")) ShowUsage = UsageAsked = true;
}

void VelCommandLineReader::ReadModes() {
    std::string value;
    if (TakeValue("/ChmodF", value)) Options.NewFileMode = value;
    if (TakeValue("/ChmodS", value)) Options.NewFolderMode = value;
    if (TakeValue("/CH", value)) Options.NewFileMode = Options.NewFolderMode = value;
}

void VelCommandLineReader::ReadFlags() {
    // Before /S and /E, whose names begin them.
    WantsExitCode = Take("/ExitCode");
    WantsTotals = Take("/Stats");
    Options.ContinueOnError = Take("/C");
    Options.MakeTargetDir = Take("/M");
    Options.DeleteObsolete = Take("/delete");
    Options.IgnoreErrors = Take("/I");
    Options.Simulate = Take("/Sim");
    Options.Recurse = Take("/S");
    Options.OverwriteReadOnly = Take("/R");
    Options.NewerOnly = Take("/N");
}

void VelCommandLineReader::BuildConsole() {
    auto filter = std::make_unique<TVelSyncFilterOutputByClass>(
        std::make_unique<VelSyncConsoleOutput>(Console), FilterSet(fsActions | fsDetails));
    ConsoleFilter = filter.get();
    Output = std::move(filter);
}

void VelCommandLineReader::ReadVerbosity() {
    if (Take("/V2"))
        ConsoleFilter->SetSuppressed(0);
    else if (Take("/V1"))
        ConsoleFilter->SetSuppressed(fsDetails);
    else if (Take("/V0"))
        ConsoleFilter->SetSuppressed(FilterSet(fsActions | fsDetails | fsProgress));
    Options.Explain = false;
    std::string value;
    if (TakeValue("/V", value)) {
        Options.Explain = LowerAscii(LeftOf(value, 1)) == "e";
        ConsoleFilter->Unsuppress(fsActions);
    }
}

void VelCommandLineReader::ReadStartDate() {
    Options.StartDate = 0;
    std::string argument;
    if (!Arguments.TakeSwitchValue("/D", argument, mmPrefixIgnoreCase)) return;
    double date = 0;
    if (platform::ParseShortDate(TextAfter(argument, ":"), date)) {
        Options.StartDate = date;
    } else {
        WriteLine("Could not parse date: " + argument);
        ShowUsage = true;
    }
}

void VelCommandLineReader::ReadDrift() {
    Options.DriftSeconds = 0;
    if (Take("/1")) Options.DriftSeconds = 1;
    if (Take("/2")) Options.DriftSeconds += 2;
}

// Each log joins the chain in front of what is there already, so with both a
// message reaches the error log, then the log file, then the console.
void VelCommandLineReader::JoinLogFiles() {
    std::string fileName;
    if (TakeValue("/L", fileName)) {
        if (!fileName.empty()) Options.RunOwnFiles.push_back(fileName);
        auto log = std::make_unique<VelSyncLogFileOutput>(fileName, LogOptionSet(0));
        LogFile = log.get();
        Output = std::make_unique<VelSyncDualOutput>(std::move(log), std::move(Output));
    }
    if (TakeValue("/E", fileName)) {
        if (!fileName.empty()) Options.RunOwnFiles.push_back(fileName);
        auto errorLog = std::make_unique<TVelSyncFilterOutputByClass>(
            std::make_unique<VelSyncLogFileOutput>(fileName, LogOptionSet(loAppend | loTimestamp)),
            FilterSet(fsActions | fsDetails | fsProgress));
        Output = std::make_unique<VelSyncDualOutput>(std::move(errorLog), std::move(Output));
    }
}

// In front of everything, so that it counts what any output is sent.
void VelCommandLineReader::JoinTally() {
    auto tally = std::make_unique<TVelSyncTallyOutput>(std::move(Output));
    Tally = tally.get();
    Output = std::move(tally);
}

// The first /ACTIVE and /PASSIVE go to the source, the second of each to the
// destination. With neither word anywhere, both sides may use both modes.
void VelCommandLineReader::ReadTransferModes(ConnectionOptions& side,
                                             const ConnectionOptions* fallback) {
    if (Arguments.WasGiven("/PASSIVE", mmPrefixIgnoreCase) ||
        Arguments.WasGiven("/ACTIVE", mmPrefixIgnoreCase)) {
        side.UseActive = Take("/ACTIVE");
        side.UsePassive = Take("/PASSIVE");
    } else if (fallback != nullptr) {
        side.UseActive = fallback->UseActive;
        side.UsePassive = fallback->UsePassive;
    } else {
        side.UseActive = side.UsePassive = true;
    }
}

void VelCommandLineReader::ReadLogins() {
    std::string value;
    if (TakeValue("/P", value)) Source.Password = Destination.Password = value;
    if (TakeValue("/U", value)) Source.UserName = Destination.UserName = value;
    if (TakeValue("/P", value)) Destination.Password = value;
    if (TakeValue("/U", value)) Destination.UserName = value;
    if (TakeValue("/T", value)) ReadTempPrefix(value);
    if (!Destination.Password.empty() && Destination.UserName.empty())
        WriteLine("Warning: Password supplied but no username.");
}

// The prefix becomes part of one file name beside the file being replaced, so
// it must not be able to name another folder; and it must leave room for the
// file's own name within the limit on a name's length.
void VelCommandLineReader::ReadTempPrefix(const std::string& prefix) {
    const bool pathLike = prefix.find_first_of(std::string("/\\\0", 3)) != std::string::npos ||
                          prefix.find("..") != std::string::npos;
    if (!pathLike && prefix.size() <= MaxTempPrefixLength) {
        Options.TempPrefix = prefix;
        return;
    }
    WriteLine(
        "Invalid /T prefix \"" + prefix + "\": " +
        (pathLike
             ? "a prefix is part of a file name and may not hold \"/\", \"\\\", NUL or \"..\""
             : "a prefix may be at most " + std::to_string(MaxTempPrefixLength) + " bytes long"));
    ShowUsage = true;
}

bool VelCommandLineReader::ReadParallelCopies() {
    std::string value;
    if (!TakeValue("/MT", value)) return true;
    const bool digits = !value.empty() && value.size() <= 2 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const int count = digits ? std::stoi(value) : 0;
    if (count < 1 || count > int(MaxParallelCopies)) {
        FatalProblem = "Invalid /MT value \"" + value + "\": the number of files copied at once is 1 to " +
                       std::to_string(MaxParallelCopies) + ".";
        return false;
    }
    Options.ParallelCopies = uint32_t(count);
    return true;
}

bool VelCommandLineReader::ReadCertificates() {
    std::string value;
    if (TakeValue("/Cert", value)) {
        if (!ReadCertificate(value, Source.Trust)) return false;
        Destination.Trust = Source.Trust;
    }
    if (TakeValue("/Cert", value) && !ReadCertificate(value, Destination.Trust)) return false;
    return true;
}

bool VelCommandLineReader::ReadCertificate(const std::string& value,
                                           platform::CertificateTrust& trust) {
    std::string problem;
    if (!platform::ReadCertificateTrust(value, trust, problem)) {
        FatalProblem = "Invalid /Cert value: " + problem + ".";
        return false;
    }
    if (trust.Source != platform::CertificateTrust::Kind::PemFile) return true;
    // A file that cannot be read is told now, not as a failed connection later.
    std::ifstream file(trust.PemFile, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.is_open()) {
        FatalProblem = "Invalid /Cert value: \"" + value +
                       "\" is neither a SHA-256 fingerprint (64 hexadecimal digits) nor a file "
                       "that can be read.";
        return false;
    }
    if (text.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        FatalProblem = "Invalid /Cert value: " + value + " holds no PEM certificate.";
        return false;
    }
    return true;
}

bool VelCommandLineReader::ReadFSwitch() {
    Options.FSwitchFirst = Options.FSwitchSecond = 0;
    std::string value;
    if (!TakeValue("/F", value)) return true;
    return ReadFSwitchValue(value, Options.FSwitchFirst, Options.FSwitchSecond, FatalProblem);
}

void VelCommandLineReader::ReadTextFileSpecs() {
    std::string value;
    while (TakeValue("/A", value)) {
        if (!value.empty()) {
            Options.TextFileSpecs.push_back(value);
        } else {
            WriteLine("Missing ascii file spec");
            ShowUsage = true;
        }
    }
}

void VelCommandLineReader::ReadSpecs() {
    std::string argument;
    while (Arguments.TakeSwitchValue("^", argument, mmPrefixIgnoreCase))
        Options.MoveSpecs.push_back(TextAfter(argument, "^"));
    while (Arguments.TakeSwitchValue("+", argument, mmPrefixIgnoreCase))
        Options.CopySpecs.push_back(TextAfter(argument, "+"));
    // A pattern that ends in a separator names folders; it is kept
    // without that last character.
    auto isFolderSpec = [](const std::string& spec) {
        return EndsWith(spec, "\\", false) || EndsWith(spec, "/", false);
    };
    while (Arguments.TakeSwitchValue("-", argument, mmPrefixIgnoreCase)) {
        std::string spec = TextAfter(argument, "-");
        if (isFolderSpec(argument))
            Options.ExcludeFolderSpecs.push_back(LeftOf(spec, -1));
        else
            Options.ExcludeFileSpecs.push_back(spec);
    }
    while (Arguments.TakeSwitchValue("#", argument, mmPrefixIgnoreCase)) {
        std::string spec = TextAfter(argument, "#");
        if (isFolderSpec(argument))
            Options.IgnoreFolderSpecs.push_back(LeftOf(spec, -1));
        else
            Options.IgnoreFileSpecs.push_back(spec);
    }
}

void VelCommandLineReader::ReadLocations() {
    Arguments.TakeNext(Source.Location);
    Arguments.TakeNext(Destination.Location);
    if (Source.Location.empty() || Destination.Location.empty()) ShowUsage = true;
}
