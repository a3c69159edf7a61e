#pragma once
// An application object run by app_main on a thread of this process, on a
// fresh device root laid out by the device image builder with the scene the
// test gives, on the headless display with the real clock (or a virtual
// one). Its script comes through a pipe, so the test types its keys as it
// goes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "app/tests/app_test_support.h"
#include "platform/framework/app.h"

namespace app_test {

class AppThreadRun {
  public:
    // `clock`: "real", or "virtual" for platform time that moves only by the
    // script's waits.
    AppThreadRun(const std::string& name, const std::string& scene_json, std::string clock = "real")
        : root_(name), clock_(std::move(clock)) {
        image_ok_ = MakeDeviceImage(root_.path()) == 0;
        std::ofstream(root_.path() / "scene.json") << scene_json;
        fifo_ = (root_.path() / "script.pipe").string();
        ::mkfifo(fifo_.c_str(), 0600);
    }
    ~AppThreadRun() { Finish(); }
    AppThreadRun(const AppThreadRun&) = delete;
    AppThreadRun& operator=(const AppThreadRun&) = delete;

    bool ImageOk() const { return image_ok_; }
    const DeviceRoot& root() const { return root_; }

    // Runs `app` until its script says quit (or the pipe closes).
    void Start(plat::CWinApp& app) {
        thread_ = std::thread([this, &app] {
            const std::string r = root_.path().string();
            const char* argv[] = {"celvane",  "--display",   "headless", "--clock", clock_.c_str(),
                                  "--script", fifo_.c_str(), "--root",   r.c_str()};
            status_ = plat::app_main(app, 9, argv);
        });
        fd_ = ::open(fifo_.c_str(), O_WRONLY);
    }
    void Type(const std::string& lines) {
        if (fd_ >= 0) (void)!::write(fd_, lines.data(), lines.size());
    }
    // Ends the script and waits for the program; its status.
    int Finish() {
        if (thread_.joinable()) {
            Type("quit\n");
            ::close(fd_);
            fd_ = -1;
            thread_.join();
        }
        return status_;
    }

  private:
    DeviceRoot root_;
    std::string clock_;
    std::string fifo_;
    bool image_ok_ = false;
    std::thread thread_;
    int fd_ = -1;
    int status_ = -1;
};

}  // namespace app_test
