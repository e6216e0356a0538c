#pragma once
// The observers of one part of the workbench session, told in the order they were added.
#include <algorithm>
#include <vector>

namespace trevasc {

template <typename Observer>
class ObserverList {
  public:
    // Adding an observer twice keeps its first place; a null observer is ignored.
    void Add(Observer* observer) {
        if (observer && std::find(list_.begin(), list_.end(), observer) == list_.end())
            list_.push_back(observer);
    }
    void Remove(Observer* observer) {
        list_.erase(std::remove(list_.begin(), list_.end(), observer), list_.end());
    }
    template <typename F>
    void Notify(F&& f) const {
        // A copy: an observer may add or remove observers while it is told.
        const std::vector<Observer*> observers = list_;
        for (Observer* o : observers) f(*o);
    }

  private:
    std::vector<Observer*> list_;
};

}  // namespace trevasc
