#include "validate/call_sequence.h"

#include "host/service_names.h"
#include "validate/byte_reader.h"
#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace validate {
namespace {

constexpr std::size_t maxInstances = 4;
constexpr std::size_t meshSizes[] = {0, 1, 3, 4, 8, 10, 12, 40};

// The scene of a program: a fixed target, two objects whose sizes and points the program chooses,
// a wandering target and an item without a mesh.
hostsim::Scene sceneFrom(ByteReader &reader) {
    const std::size_t first = meshSizes[reader.below(std::size(meshSizes))];
    const std::size_t second = meshSizes[reader.below(std::size(meshSizes))];
    Random random(reader.word());
    hostsim::Scene scene;
    scene.frames = {0, 48, 24.0};
    scene.items.push_back(targetItem("Sun", hostsim::Motion::fixed({15, 25, -35})));
    scene.items.push_back(meshItem("Leaves", randomLeaves(first, random)));
    scene.items.push_back(meshItem("Cards", randomLeaves(second, random)));
    scene.items.push_back(targetItem("Moth", wanderingMotion()));
    scene.items.push_back(bareItem("Bare"));
    return scene;
}

std::uint32_t controlFrom(ByteReader &reader) {
    const std::uint8_t kind = reader.byte();
    if (kind < 200) return CTL_LEAF_POINTS + kind % 6;
    static constexpr std::uint32_t others[] = {0, 0x8001, 0x8008, 0xFFFFFFFFu};
    return others[kind % 4];
}

std::int32_t versionFrom(ByteReader &reader) {
    static constexpr std::int32_t versions[] = {4, 4, 4, 4, 3, 5, 0, -1};
    const std::uint8_t kind = reader.byte();
    return kind < 248 ? versions[kind % 8] : static_cast<std::int32_t>(reader.word());
}

class Program {
  public:
    Program(const std::filesystem::path &module, ByteReader &reader, std::ostream *trace)
        : reader_(reader), host_(module, sceneFrom(reader)), trace_(trace) {}

    SequenceSummary run() {
        SequenceSummary summary;
        while (!reader_.empty() && summary.calls < maxSequenceCalls) {
            const std::size_t op = reader_.below(20);
            if (trace_) *trace_ << summary.calls + 1 << ' ' << opName(op) << '\n';
            try {
                step(op);
            } catch (const ValidationFailure &error) {
                fail("call " + std::to_string(summary.calls + 1) + " (" + opName(op) +
                     "): " + error.what());
            }
            ++summary.calls;
        }
        for (auto &instance : host_.instances()) host_.save(*instance);
        summary.tally = host_.tally();
        return summary;
    }

  private:
    static std::string opName(std::size_t op) {
        static constexpr const char *names[] = {"create",
                                                "destroy",
                                                "load",
                                                "save",
                                                "panel set",
                                                "panel get",
                                                "panel edit",
                                                "notify",
                                                "newTime",
                                                "frame",
                                                "pass",
                                                "points",
                                                "describe",
                                                "useItems",
                                                "copy",
                                                "activate handler",
                                                "activate interface",
                                                "item list",
                                                "move item",
                                                "mesh point"};
        return names[op];
    }

    std::size_t itemCount() { return host_.host().scene().scene().items.size(); }

    // An instance to work on, made first when there is none.
    TrackedInstance *pick() {
        auto &instances = host_.instances();
        if (instances.empty()) {
            if (itemCount() == 0) return nullptr;
            return &create(std::min<std::size_t>(1, itemCount() - 1));
        }
        return instances[reader_.below(instances.size())].get();
    }

    // A new instance, mostly given ordinary settings that turn its leaves toward one of the
    // targets.
    TrackedInstance &create(std::size_t item) {
        TrackedInstance &instance = host_.create(item);
        const std::uint8_t choice = reader_.byte();
        if (choice < 192) {
            static constexpr std::int32_t leafSizes[] = {4, 4, 2, 3};
            static constexpr std::int32_t targets[] = {1, 4};
            host_.load(instance, {leafSizes[choice % 4], targets[(choice >> 2) % 2],
                                  (choice >> 3) % 4, 1, (choice >> 5) % 2});
        }
        return instance;
    }

    void step(std::size_t op) {
        if (op == 0) {
            const std::size_t item = reader_.below(8);
            if (host_.instances().size() < maxInstances && item < itemCount()) create(item);
            return;
        }
        if (op == 17) return changeItemList();
        if (op == 18) return moveItem();
        if (op == 19) return movePoint();
        if (op == 15) {
            const std::int32_t version = versionFrom(reader_);
            const std::uint8_t mask = reader_.byte();
            std::vector<std::string> missing;
            if (mask & 1) missing.emplace_back(SERVICE_OBJECT_INFO);
            if (mask & 2) missing.emplace_back(SERVICE_ITEM_INFO);
            if (mask & 4) missing.emplace_back(SERVICE_INSTANCE_UPDATE);
            if (mask & 8) missing.emplace_back(SERVICE_XPANEL);
            host_.activateHandler(version, (mask & 0x10) ? missing : std::vector<std::string>{});
            return;
        }
        TrackedInstance *instance = pick();
        if (instance == nullptr) return;
        if (trace_) {
            *trace_ << "  on instance " << instance->handle
                    << (instance->settings ? " settings" : " settings unknown");
            if (instance->settings)
                for (const std::int32_t value : instance->settings->stored())
                    *trace_ << ' ' << value;
            *trace_ << (instance->scanDue ? ", scan due" : "") << ", next point "
                    << instance->nextPoint << '\n';
        }
        switch (op) {
            case 1:
                host_.destroy(*instance);
                break;
            case 2: {
                std::vector<std::int32_t> values(reader_.below(8));
                for (auto &value : values) value = reader_.interestingInt();
                host_.load(*instance, values);
                break;
            }
            case 3:
                host_.save(*instance);
                break;
            case 4: {
                const std::uint32_t control = controlFrom(reader_);
                host_.set(*instance, control, reader_.interestingInt());
                break;
            }
            case 5:
                host_.get(*instance, controlFrom(reader_));
                break;
            case 6: {
                const std::uint32_t control = controlFrom(reader_);
                host_.edit(*instance, control, reader_.interestingInt());
                break;
            }
            case 7: {
                const std::uint32_t control = controlFrom(reader_);
                static constexpr std::int32_t events[] = {2, 2, 0, 1, 3, -1};
                host_.notify(*instance, control, events[reader_.below(std::size(events))]);
                break;
            }
            case 8: {
                const std::int32_t frame = reader_.interestingInt();
                host_.newTime(*instance, frame, reader_.interestingDouble());
                break;
            }
            case 9:
                host_.frame(*instance, static_cast<std::int32_t>(reader_.below(49)));
                break;
            case 10:
                host_.pass(*instance);
                break;
            case 11: {
                const std::size_t count = reader_.below(16) + 1;
                std::optional<Position> offset;
                if (reader_.byte() & 1)
                    offset = Position{reader_.interestingDouble(), reader_.interestingDouble(),
                                      reader_.interestingDouble()};
                host_.evaluatePoints(*instance, count, offset);
                break;
            }
            case 12:
                host_.checkDescribe(*instance);
                break;
            case 13:
                host_.checkUseItems(*instance);
                break;
            case 14: {
                TrackedInstance *other = pick();
                host_.checkFlags(*instance);
                host_.checkCopy(*instance, *other);
                break;
            }
            case 16: {
                const std::int32_t version = versionFrom(reader_);
                const std::uint8_t mask = reader_.byte();
                host_.activateInterface(*instance, version, mask & 1, mask & 2);
                break;
            }
            default:
                break;
        }
    }

    // Items added ahead of the others or taken away, objects included.
    void changeItemList() {
        auto &scene = host_.host().scene();
        if (reader_.byte() & 1) {
            const std::size_t at = reader_.below(itemCount() + 1);
            scene.insertItem(at, targetItem("Extra " + std::to_string(++extras_),
                                            hostsim::Motion::fixed({1, 2, 3})));
        } else if (itemCount() > 0) {
            scene.removeItem(reader_.below(itemCount()));
        }
    }

    void moveItem() {
        if (itemCount() == 0) return;
        hostsim::Item &item = host_.host().scene().item(reader_.below(itemCount()));
        const double x = reader_.interestingDouble();
        const double y = reader_.interestingDouble();
        item.motion = hostsim::Motion::fixed({x, y, reader_.interestingDouble()});
    }

    void movePoint() {
        if (itemCount() == 0) return;
        hostsim::Item &item = host_.host().scene().item(reader_.below(itemCount()));
        if (!item.mesh || item.mesh->points.empty()) return;
        auto &points = item.mesh->points;
        auto &point = points[reader_.below(points.size())];
        if (reader_.byte() & 1) {
            point = points[reader_.below(points.size())];
            return;
        }
        const float x = reader_.interestingFloat();
        const float y = reader_.interestingFloat();
        point = {x, y, reader_.interestingFloat()};
    }

    ByteReader &reader_;
    CheckedHost host_;
    std::ostream *trace_;
    std::size_t extras_ = 0;
};

}  // namespace

SequenceSummary runCallSequence(const std::filesystem::path &module,
                                std::span<const std::uint8_t> bytes, std::ostream *trace) {
    ByteReader reader(bytes);
    Program program(module, reader, trace);
    return program.run();
}

}  // namespace validate
