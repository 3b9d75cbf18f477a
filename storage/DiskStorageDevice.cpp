#include "storage/DiskStorageDevice.h"

#include "common/ErrorCodes.h"
#include "common/StringUtils.h"
#include "platform/FileCopy.h"
#include "platform/FileIdentity.h"
#include "platform/FileNameCase.h"
#include "platform/FileOperations.h"
#include "platform/FindData.h"
#include "platform/LastError.h"
#include "platform/NetworkShares.h"
#include "platform/Paths.h"
#include "storage/DiskFileDate.h"
#include "storage/TextLineEnds.h"

DiskStorageDevice::DiskStorageDevice(VelSyncBaseOutput* output)
    : Output(output), MountTable(platform::DefaultMountTable()) {}

NameCase DiskStorageDevice::NameCaseMode() {
    return platform::FileNamesIgnoreCase() ? NameCase::Ignored : NameCase::Sensitive;
}

bool DiskStorageDevice::Chmod(const std::string&, const std::string&, const std::string&) {
    return false;
}

bool DiskStorageDevice::Connect(const std::string& location, const std::string& userName,
                                const std::string& password, const std::string&) {
    const std::string separator = platform::PathSeparatorText;
    if (!StartsWith(location, separator + separator, false)) return true;
    std::string shareRoot = separator + separator + FieldAt(location, 3, separator) + separator +
                            FieldAt(location, 4, separator);
    platform::ShareMount mount;
    if (platform::ConnectShare(location, shareRoot, userName, password, MountTable, mount)) {
        SharePrefix = mount.Prefix;
        ShareMountPoint = mount.MountPoint;
        return true;
    }
    if (Output != nullptr) {
        // Writing the messages may disturb the thread's last error: read it first.
        const uint32_t code = LastErrorCode();
        const std::string text = LastErrorText();
        Output->Message(mcError, "Failed to connect to " + shareRoot);
        Output->Message(mcError, "Error code: " + std::to_string(code));
        Output->Message(mcError, "Description: " + text);
        platform::SetLastErrorCode(code);
    }
    return false;
}

bool DiskStorageDevice::PutFile(const std::string& localPath, const std::string& folder,
                                const std::string& name, bool) {
    return platform::CopyFileOver(LocalPath(localPath), PlainJoin(folder, name));
}

bool DiskStorageDevice::CreateFolder(const std::string& path) {
    return platform::MakeFolder(LocalPath(path));
}

bool DiskStorageDevice::DeleteFile(const std::string& folder, const std::string& name, bool) {
    return platform::RemoveFile(LocalPath(JoinPath(folder, platform::PathSeparatorText, name)));
}

bool DiskStorageDevice::RemoveFolder(const std::string& path) {
    if (platform::RemoveFolder(LocalPath(path))) return true;
    if (Output != nullptr) {
        uint32_t code = LastErrorCode();
        Output->Message(mcError, "RemoveDirectory (" + path + ") failed with error " +
                                     std::to_string(code) + ": " + LastErrorText());
        platform::SetLastErrorCode(code);
    }
    return false;
}

bool DiskStorageDevice::LocalCopyKeepsDate() {
    return true;
}

bool DiskStorageDevice::SupportsChmod() {
    return false;
}

bool DiskStorageDevice::FolderExists(const std::string& path) {
    uint32_t attributes = platform::ReadAttributes(LocalPath(path));
    return attributes != platform::InvalidAttributes &&
           (attributes & platform::Attribute::Directory) != 0;
}

void DiskStorageDevice::ReleaseLocalCopy(const std::string&) {}

std::string DiskStorageDevice::GetLocalCopy(const std::string& folder, const std::string& name) {
    return PlainJoin(folder, name);
}

std::unique_ptr<VelDirectoryList> DiskStorageDevice::ListFolder(const std::string& folder,
                                                                const std::string& mask, bool) {
    return VelDirectoryList::CreateFromFolder(LocalPath(folder), mask);
}

bool DiskStorageDevice::RenameFile(const std::string& folder, const std::string& oldName,
                                   const std::string& newName) {
    const std::string separator = platform::PathSeparatorText;
    return platform::RenameFile(LocalPath(JoinPath(folder, separator, oldName)),
                                LocalPath(JoinPath(folder, separator, newName)));
}

bool DiskStorageDevice::SetReadOnly(const std::string& folder, const std::string& name,
                                    bool readOnly, bool force) {
    std::string path = PlainJoin(folder, name);
    uint32_t old = platform::ReadAttributes(path);
    // Bits that could not be read are never written back.
    if (old == platform::InvalidAttributes) return true;
    uint32_t wanted =
        readOnly ? (old | platform::Attribute::ReadOnly) : (old & ~platform::Attribute::ReadOnly);
    if (force || wanted != old) platform::WriteAttributes(path, wanted);
    return true;
}

bool DiskStorageDevice::SetFileDate(const std::string& folder, const std::string& name,
                                    double dateTime) {
    return SetFileDateOnDisk(PlainJoin(folder, name), dateTime);
}

bool DiskStorageDevice::LinkLeadsToAncestor(const std::string& path) {
    std::string local = LocalPath(path);
    uint32_t attributes = platform::ReadAttributes(local);
    if (attributes == platform::InvalidAttributes ||
        (attributes & platform::Attribute::ReparsePoint) == 0) {
        return false;
    }
    std::string target = platform::ResolvedPath(local);
    size_t cut = local.find_last_of(platform::PathSeparator);
    std::string parent = platform::ResolvedPath(cut == std::string::npos ? "."
                                                : cut == 0 ? platform::PathSeparatorText
                                                           : local.substr(0, cut));
    if (target.empty() || parent.empty()) return false;
    if (target == platform::PathSeparatorText || target == parent) return true;
    return StartsWith(parent, target + platform::PathSeparatorText, false);
}

std::string DiskStorageDevice::FolderIdentity(const std::string& path) {
    platform::FileIdentity identity;
    if (!platform::IdentifyFile(LocalPath(path), identity)) return std::string();
    return "local:" + std::to_string(identity.Volume) + ":" + std::to_string(identity.Index);
}

bool DiskStorageDevice::IsTemporaryName(const std::string& name) {
    return platform::IsCopyTemporaryName(name);
}

std::string DiskStorageDevice::LocalPath(const std::string& path) const {
    if (SharePrefix.empty() || !StartsWith(path, SharePrefix, false)) return path;
    std::string rest = path.substr(SharePrefix.size());
    if (!rest.empty() && rest[0] != platform::PathSeparator) return path;
    if (rest.empty()) return ShareMountPoint;
    return JoinPath(ShareMountPoint, platform::PathSeparatorText, rest.substr(1));
}

std::string DiskStorageDevice::PlainJoin(const std::string& folder, const std::string& name) const {
    return LocalPath(folder + platform::PathSeparatorText + name);
}

bool DiskStorageDevice::TextSizeAsSent(const std::string& folder, const std::string& name,
                                       uint64_t& size) {
    TextFileSizes sizes;
    if (!MeasureTextFile(PlainJoin(folder, name), sizes)) return false;
    size = sizes.AsSent;
    return true;
}

VelStorageDevice::SiblingOpener DiskStorageDevice::SiblingsReportingTo(VelSyncBaseOutput* output) {
    return [output = output != nullptr ? output : Output, mountTable = MountTable,
            sharePrefix = SharePrefix, shareMountPoint = ShareMountPoint] {
        auto sibling = std::make_unique<DiskStorageDevice>(output);
        sibling->MountTable = mountTable;
        sibling->SharePrefix = sharePrefix;
        sibling->ShareMountPoint = shareMountPoint;
        return std::unique_ptr<VelStorageDevice>(std::move(sibling));
    };
}
