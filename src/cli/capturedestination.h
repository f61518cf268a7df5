#pragma once

#include "cli/uploaddestination.h"

#include <memory>
#include <thread>

class CaptureLink;
class OutputFile;

// A capture file: what the port would receive, written at once on a thread of its own and put in
// place whole unless the upload failed.
class CaptureDestination : public UploadDestination
{
public:
    CaptureDestination(const Target &target, int index, UploadReport &report);
    ~CaptureDestination() override;

    // The file is made before anything is sent anywhere: false, with why, when it cannot be
    // (something other than a regular file in its place, a folder that is not there).
    bool prepare(QString *error) override;
    // Keeps the file unless the upload failed.
    void finish() override;
    Destination historyDestination() const override;

protected:
    void begin(const QVector<UploadJob> &jobs) override;

private:
    std::unique_ptr<OutputFile> m_capture;
    std::unique_ptr<CaptureLink> m_captureLink;
    std::thread m_thread;
};
