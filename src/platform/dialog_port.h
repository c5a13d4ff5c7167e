// The modal dialogs that the main window opens.
#pragma once

namespace telvia {

class DialogPort {
public:
    virtual ~DialogPort() = default;

    virtual void runAboutBox() = 0;
    virtual void runEditChannels() = 0;
    virtual void runSaveChannels() = 0;
    virtual void runLoadChannels() = 0;
};

}  // namespace telvia
