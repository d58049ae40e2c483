#pragma once

// A detector that finds nothing and only runs what the test gives it, under the id it is given.

#include "advisor/Detector.h"

#include <functional>

namespace tavelin::test {

class RunningDetector final : public Detector {
public:
    RunningDetector(std::string id, bool slow, std::function<void()> run)
        : id_(std::move(id))
        , slow_(slow)
        , run_(std::move(run)) {}
    std::string id() const override { return id_; }
    bool isSlow() const override { return slow_; }
    std::vector<Candidate> candidates(const AdvisorContext&) const override {
        run_();
        return {};
    }

private:
    std::string id_;
    bool slow_;
    std::function<void()> run_;
};

} // namespace tavelin::test
