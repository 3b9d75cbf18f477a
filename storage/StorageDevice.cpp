#include "storage/StorageDevice.h"

#include "platform/ErrorText.h"
#include "platform/LastError.h"

bool VelStorageDevice::SupportsTextMode() {
    return false;
}

uint32_t VelStorageDevice::LastErrorCode() {
    return platform::GetLastErrorCode();
}

std::string VelStorageDevice::LastErrorText() {
    return platform::SystemErrorText(LastErrorCode());
}

void VelStorageDevice::FolderFinished(const std::string&) {}

bool VelStorageDevice::LinkLeadsToAncestor(const std::string&) {
    return false;
}

std::string VelStorageDevice::FolderIdentity(const std::string&) {
    return std::string();
}

bool VelStorageDevice::IsTemporaryName(const std::string&) {
    return false;
}

bool VelStorageDevice::AcceptsName(const std::string&) {
    return true;
}

bool VelStorageDevice::ConfirmEmptyFolder(const std::string&) {
    return true;
}

std::string VelStorageDevice::LastStoredName() {
    return "";
}

bool VelStorageDevice::EntersFolderLinks() {
    return true;
}

bool VelStorageDevice::TextSizeAsSent(const std::string&, const std::string&, uint64_t&) {
    return false;
}

VelStorageDevice::SiblingOpener VelStorageDevice::SiblingsReportingTo(VelSyncBaseOutput*) {
    return {};
}

std::unique_ptr<VelStorageDevice> VelStorageDevice::OpenSibling() {
    const SiblingOpener open = SiblingsReportingTo(nullptr);
    return open ? open() : nullptr;
}

bool VelStorageDevice::GainsFromListingAhead() {
    return false;
}

std::string VelStorageDevice::GetLocalCopyOf(const std::string& folder,
                                             const VelDirectoryEntry& listed) {
    return GetLocalCopy(folder, listed.Name);
}
