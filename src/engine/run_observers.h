#pragma once

#include "engine/run_observer.h"

#include <initializer_list>
#include <vector>

namespace velnorix {

// Tells several observers, in the order given; a null one is left out, so a front end can
// pass an observer it has only sometimes.
class RunObservers final : public RunObserver {
public:
    RunObservers(std::initializer_list<RunObserver*> observers) {
        for (RunObserver* observer : observers)
            if (observer != nullptr)
                m_observers.push_back(observer);
    }

    void RunStarted(const RunModel& model) override {
        for (RunObserver* observer : m_observers)
            observer->RunStarted(model);
    }
    void CycleStarted(const RunModel& model) override {
        for (RunObserver* observer : m_observers)
            observer->CycleStarted(model);
    }
    void ProbeRecorded(const RunModel& model, std::int32_t index,
                       const ProbeOutcome& outcome) override {
        for (RunObserver* observer : m_observers)
            observer->ProbeRecorded(model, index, outcome);
    }
    void CycleEnded(const RunModel& model) override {
        for (RunObserver* observer : m_observers)
            observer->CycleEnded(model);
    }

private:
    std::vector<RunObserver*> m_observers;
};

} // namespace velnorix
