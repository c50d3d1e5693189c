#include "com/module.h"

#include <atomic>

namespace qv::excel {
namespace {
std::atomic<long> objects{0};
std::atomic<long> locks{0};
}  // namespace

void ObjectMade() { ++objects; }
void ObjectGone() { --objects; }
void Lock(bool lock) { lock ? ++locks : --locks; }
bool CanUnload() { return objects == 0 && locks == 0; }

}  // namespace qv::excel
