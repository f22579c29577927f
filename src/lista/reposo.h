#pragma once
// The list's own work on threads of its own while the window is in use
// (merging what another program changed, checking the kept snapshot,
// writing it out) runs on time no other thread wants, so that the window
// shows and answers first; once somebody waits for it, at the usual priority.

#include <mutex>
#include <optional>

#include <pthread.h>
#include <sched.h>

namespace rimario {

class Reposo {
public:
    // On the working thread, for its work: idle priority until apurar().
    class Turno {
    public:
        explicit Turno(Reposo &r) : r_(r)
        {
            const std::lock_guard cierre(r_.m_);
            if (r_.apurado_)
                return;
            const sched_param p{};
            if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &p) == 0)
                r_.hilo_ = pthread_self();
        }
        ~Turno()
        {
            const std::lock_guard cierre(r_.m_);
            r_.hilo_.reset();
        }
        Turno(const Turno &) = delete;
        Turno &operator=(const Turno &) = delete;

    private:
        Reposo &r_;
    };
    // By whoever is about to wait for the work.
    void apurar()
    {
        const std::lock_guard cierre(m_);
        apurado_ = true;
        if (hilo_) {
            const sched_param p{};
            pthread_setschedparam(*hilo_, SCHED_OTHER, &p);
            hilo_.reset();
        }
    }

private:
    std::mutex m_;
    std::optional<pthread_t> hilo_; // a thread running a turn at idle priority
    bool apurado_ = false;
};

} // namespace rimario
