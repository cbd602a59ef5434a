#include "track_sweep.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "d88_format.h"

namespace d88 {

namespace {

// A walk in a group: its position is the group's records walked + base.
struct Member {
  int64_t base = 0;
  int32_t walk = 0;
  bool operator<(const Member& other) const { return base < other.base; }
};

// Walks that stand at the same record, by base, so that the walks a count
// ends are one equal_range.
struct Group {
  int64_t offset = 0;  // of the next record
  int64_t records = 0;
  std::vector<Member> members;
  int32_t unresolved = 0;  // requests of its walks not found yet
};

struct KeyedRequest {
  uint32_t key = 0;
  int32_t request = 0;
  bool operator<(const KeyedRequest& other) const {
    return key != other.key ? key < other.key : request < other.request;
  }
};

class Sweep {
 public:
  Sweep(std::span<const SweepRequest> requests, std::span<SweepAnswer> answers)
      : answers_(answers), walkOf_(requests.size()) {
    std::vector<int64_t> starts;  // by walk: one for each distinct track start
    for (size_t r = 0; r < requests.size(); ++r) {
      answers_[r] = {};
      const auto start = std::find(starts.begin(), starts.end(), requests[r].trackStart);
      const auto w = static_cast<size_t>(start - starts.begin());
      if (start == starts.end()) {
        starts.push_back(requests[r].trackStart);
        groups_.push_back({requests[r].trackStart, 0, {{0, static_cast<int32_t>(w)}}, 0});
        groupOf_.push_back(w);
        unresolved_.push_back(0);
      }
      walkOf_[r] = static_cast<int32_t>(w);
      groups_[w].unresolved += 1;
      unresolved_[w] += 1;
      byKey_.push_back({requests[r].key, static_cast<int32_t>(r)});
    }
    std::sort(byKey_.begin(), byKey_.end());
  }

  void run(FileWindow& window) {
    for (size_t g = 0; g < groups_.size(); ++g) nearest_.push({groups_[g].offset, g});
    while (!nearest_.empty()) {
      const size_t group = nearest_.top().second;
      nearest_.pop();
      walk(window, group);
    }
  }

 private:
  using Stop = std::pair<int64_t, size_t>;  // a group waiting at a record

  // Walks one group on while it is the nearest, taking in the groups it meets.
  void walk(FileWindow& window, size_t group) {
    while (step(window, group)) {
      const int64_t offset = groups_[group].offset;
      while (!nearest_.empty() && nearest_.top().first == offset) {
        group = merge(group, nearest_.top().second);
        nearest_.pop();
      }
      if (!nearest_.empty() && nearest_.top().first < offset) {
        nearest_.push({offset, group});
        return;
      }
    }
  }

  // Examines the group's next record. False when the group has nothing left
  // to walk for: its walks ended, or found all that was asked of them.
  bool step(FileWindow& window, size_t index) {
    Group& group = groups_[index];
    const uint8_t* header = viewAt(window, group.offset, kSectorHeaderSize);
    if (header == nullptr) return false;  // the file ends: so do the walks
    const uint32_t count = readLe16(header + kSectorCountOffset);
    const int32_t dataSize = readLe16(header + kDataSizeOffset);
    if (count == 0) return false;
    const KeyedRequest first{sectorKey(header[0], header[1], header[2], header[3]), -1};
    for (auto it = std::lower_bound(byKey_.begin(), byKey_.end(), first);
         it != byKey_.end() && it->key == first.key; ++it) {
      const auto r = static_cast<size_t>(it->request);
      const auto w = static_cast<size_t>(walkOf_[r]);
      if (!answers_[r].found && groupOf_[w] == index) {
        answers_[r] = {true, {group.offset + kSectorHeaderSize, dataSize, header[kStatusOffset]}};
        unresolved_[w] -= 1;
        group.unresolved -= 1;
      }
    }
    // The walks for which this record is the count'th end here.
    const auto ended = std::equal_range(group.members.begin(), group.members.end(),
                                        Member{int64_t{count} - 1 - group.records, 0});
    for (auto it = ended.first; it != ended.second; ++it) {
      const auto w = static_cast<size_t>(it->walk);
      groupOf_[w] = kEnded;
      group.unresolved -= unresolved_[w];
    }
    group.members.erase(ended.first, ended.second);
    group.records += 1;
    group.offset += kSectorHeaderSize + dataSize;
    return !group.members.empty() && group.unresolved > 0;
  }

  // Two groups at one record become one; the smaller moves into the larger.
  size_t merge(size_t a, size_t b) {
    if (groups_[a].members.size() < groups_[b].members.size()) std::swap(a, b);
    Group& into = groups_[a];
    Group& from = groups_[b];
    for (Member& member : from.members) {
      member.base += from.records - into.records;
      groupOf_[static_cast<size_t>(member.walk)] = a;
    }
    std::vector<Member> members(into.members.size() + from.members.size());
    std::merge(into.members.begin(), into.members.end(), from.members.begin(), from.members.end(),
               members.begin());
    into.members = std::move(members);
    into.unresolved += from.unresolved;
    from.members.clear();
    return a;
  }

  static constexpr size_t kEnded = static_cast<size_t>(-1);

  std::span<SweepAnswer> answers_;
  std::vector<int32_t> walkOf_;      // by request
  std::vector<Group> groups_;        // one for each walk at first, then some merged away
  std::vector<size_t> groupOf_;      // by walk: its group, or kEnded
  std::vector<int32_t> unresolved_;  // by walk
  std::vector<KeyedRequest> byKey_;  // sorted
  std::priority_queue<Stop, std::vector<Stop>, std::greater<Stop>> nearest_;
};

}  // namespace

void sweepTracks(FileWindow& window, std::span<const SweepRequest> requests,
                 std::span<SweepAnswer> answers) {
  Sweep sweep(requests, answers);
  sweep.run(window);
}

}  // namespace d88
