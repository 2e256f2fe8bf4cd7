#pragma once
// A FIFO that nobody writes to, for code that must never wait on one. Code
// that opens it for reading without O_NONBLOCK blocks until a writer comes;
// the watchdog is that writer, but only after a very long while (a hang,
// never a slow machine): it opens the FIFO for writing and closes it again,
// so the reader gets an end of file and the test goes on to report the hang
// through Released() instead of hanging the whole run.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace uitest {

class TFifoWatch {
public:
    explicit TFifoWatch(std::string path) : FPath(std::move(path))
    {
        FMade = ::mkfifo(FPath.c_str(), 0600) == 0;
        FThread = std::thread([this] { Watch(); });
    }
    ~TFifoWatch() { Stop(); }
    TFifoWatch(const TFifoWatch&) = delete;
    TFifoWatch& operator=(const TFifoWatch&) = delete;

    bool Made() const { return FMade; }
    // Ends the watch; true when a reader had to be released.
    bool Released()
    {
        Stop();
        return FReleased;
    }

private:
    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStop = true;
        }
        FWake.notify_all();
        if (FThread.joinable()) FThread.join();
    }

    void Watch()
    {
        std::unique_lock<std::mutex> lock(FMutex);
        if (FWake.wait_for(lock, std::chrono::seconds(20), [this] { return FStop; })) return;
        // Without a reader the open fails at once; try until one comes or
        // the watch ends.
        while (!FStop) {
            const int fd = ::open(FPath.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
                FReleased = true;
            }
            FWake.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    std::string FPath;
    bool FMade = false;
    std::atomic<bool> FReleased{false};
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FStop = false;
    std::thread FThread;
};

} // namespace uitest
