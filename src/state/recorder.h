#pragma once

#include <string>

namespace rf {

// What the tool knows of the recorder on the line: who it is, as the
// connection check read it, and the modes the tool has put it in.
struct Recorder {
    std::string VtrStatus;
    std::string VtrId;
    std::string SysconVer;
    std::string VtrInduce;
    std::string VtrSerialNo;
    std::string VtrName;
    // The connection check identified a supported model with recent enough
    // software; until it has, no programme or data transfer may start (an
    // error answered Ignore must not make an unknown recorder runnable).
    bool VtrSupported = false;
    // The tool has put the recorder into adjustment mode, or set it
    // recording, and has not yet taken it out again.
    bool AdjModeOn = false;
    bool RecModeOn = false;

    // The name files and captions give the recorder: its model, induce code
    // and serial number ("QT7310XYZ_SN1").
    std::string nameWithSerial() const { return VtrId + VtrInduce + "_" + VtrSerialNo; }
};

}  // namespace rf
