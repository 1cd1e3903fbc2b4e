#include "batch/KeyPolicy.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace tarvex {
namespace {

// Parameters of their own for each `n`, at `cost`.
ProtectedParameters parametersOf(std::uint8_t n, ProtectedCost cost = protectedWriteCost) {
    ProtectedParameters parameters{.salt = {}, .cost = cost};
    parameters.salt[0] = n;
    return parameters;
}

// A policy's questions, answered as the test says and written down.
struct Answers {
    bool costly = true;
    bool many = true;
    std::vector<double> costlyAsked;
    std::vector<std::size_t> manyAsked;

    KeyPolicy::Questions questions() {
        return {.costlyKey =
                    [this](double times) {
                        costlyAsked.push_back(times);
                        return costly;
                    },
                .manyKeys =
                    [this](std::size_t count) {
                        manyAsked.push_back(count);
                        return many;
                    }};
    }
};

TEST(KeyPolicy, AsksAboutAKeyOnlyBeyondFourTimesTheProgramsCostAndBeforeEachOfItsDerivations) {
    KeyPolicy policy;
    Answers answers;
    const ProtectedCost fourTimes{protectedWriteCost.opslimit * 4, protectedWriteCost.memlimitKiB};
    const ProtectedCost more{protectedWriteCost.opslimit * 4 + 1, protectedWriteCost.memlimitKiB};
    EXPECT_TRUE(policy.mayDerive(parametersOf(1, fourTimes), answers.questions()));
    EXPECT_TRUE(answers.costlyAsked.empty());

    answers.costly = false;
    EXPECT_FALSE(policy.mayDerive(parametersOf(2, more), answers.questions()));
    answers.costly = true;
    EXPECT_TRUE(policy.mayDerive(parametersOf(2, more), answers.questions()));
    policy.deriving(parametersOf(2, more));
    EXPECT_TRUE(policy.mayDerive(parametersOf(2, more), answers.questions()));
    ASSERT_EQ(answers.costlyAsked.size(), 3U);
    EXPECT_DOUBLE_EQ(answers.costlyAsked.front(), 4 + 1.0 / protectedWriteCost.opslimit);
    EXPECT_TRUE(answers.manyAsked.empty());
}

TEST(KeyPolicy, AsksBeforeAFifthKeyUntilTheUserAgreesAndNeverForAKeyItCounts) {
    KeyPolicy policy;
    Answers answers;
    for (std::uint8_t n = 0; n < 4; ++n) {
        ASSERT_TRUE(policy.mayDerive(parametersOf(n), answers.questions()));
        policy.deriving(parametersOf(n));
        // The same parameters again count once.
        policy.deriving(parametersOf(n));
    }
    EXPECT_TRUE(answers.manyAsked.empty());

    answers.many = false;
    EXPECT_FALSE(policy.mayDerive(parametersOf(4), answers.questions()));
    EXPECT_TRUE(policy.mayDerive(parametersOf(0), answers.questions()));
    answers.many = true;
    EXPECT_TRUE(policy.mayDerive(parametersOf(4), answers.questions()));
    policy.deriving(parametersOf(4));
    EXPECT_TRUE(policy.mayDerive(parametersOf(5), answers.questions()));
    EXPECT_EQ(answers.manyAsked, (std::vector<std::size_t>{4, 4}));

    policy.clear();
    for (std::uint8_t n = 10; n < 14; ++n)
        policy.deriving(parametersOf(n));
    answers.many = false;
    EXPECT_FALSE(policy.mayDerive(parametersOf(14), answers.questions()));
    EXPECT_EQ(answers.manyAsked.size(), 3U);
}

TEST(KeyPolicy, DerivesOffTheCallersThreadWithTheDerivationGiven) {
    const ProtectedParameters parameters = parametersOf(7);
    std::string heard;
    std::thread::id derivedOn;
    bool valid = true;
    std::thread thread = deriveAside(
        Secret::copyOf("words"), parameters,
        [&](std::string_view passphrase, const ProtectedParameters& asked) {
            heard = passphrase;
            derivedOn = std::this_thread::get_id();
            EXPECT_EQ(asked, parameters);
            return ProtectedKey::none();
        },
        [&](ProtectedKey key) { valid = key.valid(); });
    const std::thread::id threadId = thread.get_id();
    thread.join();
    EXPECT_EQ(heard, "words");
    EXPECT_EQ(derivedOn, threadId);
    EXPECT_NE(derivedOn, std::this_thread::get_id());
    EXPECT_FALSE(valid);
}

} // namespace
} // namespace tarvex
