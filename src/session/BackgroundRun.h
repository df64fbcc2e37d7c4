#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// One run of a session on a thread of its own: the work's result is kept
// for Result() and `finished` is called on that thread once it is there.
// The owner cancels its work and calls Wait() before it goes.
template <typename Summary>
class CBackgroundRun final
{
public:
    CBackgroundRun() = default;
    CBackgroundRun(const CBackgroundRun&) = delete;
    CBackgroundRun& operator=(const CBackgroundRun&) = delete;
    ~CBackgroundRun() { Wait(); }

    // Starts `work` unless a run has been started already.
    void Start(std::function<Summary()> work, std::function<void()> finished)
    {
        if (m_bRunning || m_thread.joinable()) {
            return;
        }
        m_bRunning = true;
        m_thread = std::thread([this, work = std::move(work), finished = std::move(finished)] {
            const Summary summary = work();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_summary = summary;
            }
            m_bRunning = false;
            finished();
        });
    }
    void Wait()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool IsRunning() const { return m_bRunning; }
    Summary Result() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_summary;
    }

private:
    std::atomic<bool> m_bRunning{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    Summary m_summary;
};
