// The exported computer identifier over the platform's readers.
#include "identity/computer_id.h"

#include "identity/drive_store.h"

long getHardDriveComputerID() { return util::identity::computeHardDriveComputerID(util::identity::readAllDrives); }

void getHardDriveComputerIDTexts(const char** serialText, const char** modelText, const char** readerName) {
    if (serialText != nullptr) {
        *serialText = util::identity::driveSerialText;
    }
    if (modelText != nullptr) {
        *modelText = util::identity::driveModelText;
    }
    if (readerName != nullptr) {
        *readerName = util::identity::driveTextSource();
    }
}
