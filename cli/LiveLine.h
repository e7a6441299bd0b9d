// A line on a terminal, redrawn by a thread of its own until it stops, and
// then cleared.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

class LiveLine {
public:
    explicit LiveLine(std::chrono::milliseconds period) : period_(period) {}
    ~LiveLine() { stop(); }
    LiveLine(const LiveLine &) = delete;
    LiveLine &operator=(const LiveLine &) = delete;

    // Draws the line now and every period after.
    void start(std::function<void()> draw)
    {
        stop();
        running_ = true;
        thread_ = std::thread([this, draw = std::move(draw)] {
            std::unique_lock<std::mutex> lock(mutex_);
            while (running_) {
                draw();
                wake_.wait_for(lock, period_, [this] { return !running_; });
            }
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        });
    }

    void stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = false;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    // Held while the line is drawn; whoever prints between redraws holds it.
    std::mutex &mutex() { return mutex_; }

private:
    std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    std::thread thread_;
};
