// Throughput of the container code on 5 MB of random bytes, in bytes of source per second,
// beside memcpy of the same buffer as the ceiling; and the time of a Protected key's derivation at
// the cost the writer uses.
#include "codec/Base64Body.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/FileSystem.h"
#include "passwords/PassphraseKey.h"
#include "protected/ProtectedReader.h"
#include "protected/ProtectedWriter.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

namespace {

constexpr std::size_t sourceSize = 5 * 1000 * 1000;

const std::vector<std::uint8_t>& randomSource() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> v(sourceSize);
        std::mt19937_64 rng(20261208);
        for (auto& b : v) {
            b = static_cast<std::uint8_t>(rng());
        }
        return v;
    }();
    return bytes;
}

void reportSourceBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(sourceSize));
}

void BM_Memcpy(benchmark::State& state) {
    const auto& source = randomSource();
    std::vector<std::uint8_t> copy(source.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), source.data(), source.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    reportSourceBytes(state);
}

void BM_EncodeBody(benchmark::State& state) {
    const auto& source = randomSource();
    std::string text;
    for (auto _ : state) {
        text.clear();
        tarvex::encodeBody(source, text);
        benchmark::DoNotOptimize(text.data());
    }
    reportSourceBytes(state);
}

void BM_DecodeBody(benchmark::State& state) {
    std::string text;
    tarvex::encodeBody(randomSource(), text);
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        bytes.clear();
        tarvex::decodeBody(text, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    reportSourceBytes(state);
}

void BM_WriteContainer(benchmark::State& state) {
    const auto level = static_cast<tarvex::ContainerClass>(state.range(0));
    const auto& source = randomSource();
    tarvex::KeyGenerator generator;
    const tarvex::TextSink discard = [](std::string_view text) {
        benchmark::DoNotOptimize(text.data());
    };
    // One builder for every container, fed in the pieces in which a run reads a file, and one
    // scratch text held, as a run holds it.
    tarvex::ContainerBuilder builder;
    tarvex::HeldText scratch;
    scratch.reserve(tarvex::encodedBodyLength(source.size()) + 2);
    for (auto _ : state) {
        scratch.clear();
        builder.start(level, "secret1", generator, discard, &scratch);
        for (std::size_t at = 0; at < source.size(); at += tarvex::readPieceSize) {
            builder.append(
                std::span(source).subspan(at, std::min(tarvex::readPieceSize, source.size() - at)));
        }
        builder.finish();
    }
    reportSourceBytes(state);
}

// One reader for every container, given the end of the file first and then the pieces in which a
// run reads it.
void BM_ReadContainer(benchmark::State& state) {
    const auto level = static_cast<tarvex::ContainerClass>(state.range(0));
    tarvex::KeyGenerator generator;
    const std::string container = tarvex::buildContainer(randomSource(), level, "secret1",
                                                         generator, [](std::string_view) {});
    const std::span<const std::uint8_t> file(
        reinterpret_cast<const std::uint8_t*>(container.data()), container.size());
    const tarvex::ByteSink discard = [](std::span<const std::uint8_t> bytes) {
        benchmark::DoNotOptimize(bytes.data());
    };
    tarvex::ContainerReader reader;
    for (auto _ : state) {
        reader.expect(file.last(tarvex::containerEndBytes), false);
        reader.start(discard);
        for (std::size_t at = 0; at < file.size(); at += tarvex::readPieceSize) {
            reader.append(file.subspan(at, std::min(tarvex::readPieceSize, file.size() - at)));
        }
        benchmark::DoNotOptimize(reader.finish());
    }
    reportSourceBytes(state);
}

// The Protected class's key, derived once for the streaming benchmarks: they measure the stream,
// and the derivation has its own.
const tarvex::ProtectedParameters& protectedParameters() {
    static const tarvex::ProtectedParameters parameters = tarvex::newProtectedParameters();
    return parameters;
}

const tarvex::ProtectedKey& protectedKey() {
    static const tarvex::ProtectedKey key =
        tarvex::keyOfPassphrase("secret1", protectedParameters());
    return key;
}

void BM_WriteProtected(benchmark::State& state) {
    const auto& source = randomSource();
    const tarvex::TextSink discard = [](std::string_view text) {
        benchmark::DoNotOptimize(text.data());
    };
    const tarvex::ProtectedKey& key = protectedKey();
    tarvex::ProtectedBuilder builder;
    for (auto _ : state) {
        builder.start(key, protectedParameters(), {"source", 0, source.size()}, {}, discard);
        for (std::size_t at = 0; at < source.size(); at += tarvex::readPieceSize) {
            builder.append(
                std::span(source).subspan(at, std::min(tarvex::readPieceSize, source.size() - at)));
        }
        if (!builder.finish()) {
            state.SkipWithError("the source was not as long as recorded");
        }
    }
    reportSourceBytes(state);
}

void BM_ReadProtected(benchmark::State& state) {
    const std::string container =
        tarvex::buildProtected(randomSource(), protectedKey(), protectedParameters(),
                               {"source", 0, randomSource().size()});
    const std::span<const std::uint8_t> file(
        reinterpret_cast<const std::uint8_t*>(container.data()), container.size());
    const tarvex::ByteSink discard = [](std::span<const std::uint8_t> bytes) {
        benchmark::DoNotOptimize(bytes.data());
    };
    const tarvex::KeyProvider keys = [](const tarvex::ProtectedParameters&) {
        return &protectedKey();
    };
    tarvex::ProtectedReader reader;
    for (auto _ : state) {
        reader.start(keys, {}, discard);
        for (std::size_t at = 0; at < file.size(); at += tarvex::readPieceSize) {
            reader.append(file.subspan(at, std::min(tarvex::readPieceSize, file.size() - at)));
        }
        if (reader.finish() != tarvex::ProtectedVerdict::Restored) {
            state.SkipWithError("the container did not restore");
        }
    }
    reportSourceBytes(state);
}

void BM_DeriveProtectedKey(benchmark::State& state) {
    for (auto _ : state) {
        const tarvex::ProtectedKey key = tarvex::keyOfPassphrase("secret1", protectedParameters());
        benchmark::DoNotOptimize(key.valid());
    }
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBody)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBody)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteContainer)->Arg(0)->Arg(1)->ArgName("class")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadContainer)->Arg(0)->Arg(1)->ArgName("class")->Unit(benchmark::kMillisecond);
// The builder enciphers on a thread of its own: the time is the caller's wait, not its work.
BENCHMARK(BM_WriteProtected)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadProtected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeriveProtectedKey)->Iterations(3)->Unit(benchmark::kMillisecond);
