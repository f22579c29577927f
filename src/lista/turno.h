#pragma once
// The list's own work on threads of its own (merging what another program
// changed, checking the kept snapshot) waits for its turn: until the window
// is up, or something waits for the work, or at most a while; meanwhile it
// takes nothing from the window's start.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace rimario {

class Turno {
public:
    // Longest a job waits for its turn.
    static constexpr std::chrono::milliseconds kMaximo{1000};

    // On the working thread.
    void esperar()
    {
        std::unique_lock cierre(m_);
        cv_.wait_for(cierre, kMaximo, [this] { return dado_; });
    }
    void dar()
    {
        {
            const std::lock_guard cierre(m_);
            dado_ = true;
        }
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool dado_ = false;
};

} // namespace rimario
