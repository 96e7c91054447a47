// Code 129 (how many answers wait) for a member who holds `questions` questions of
// 4,000 bytes: at the bound the store keeps, and at thousands (what one member could
// pile up before there was a bound), side by side. The store is used directly, as the
// store's thread does.
//   build/bin/question_bench
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "bench_server.h"

namespace {

// A handler whose member "bench" holds `questions` questions (kept up to that many).
struct Holder {
  explicit Holder(std::size_t questions) {
    dir = std::filesystem::temp_directory_path() /
          ("kavreld-question-bench-" + std::to_string(::getpid()) + "-" + std::to_string(questions));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setup.dataDir = KAVREL_BENCH_DATADIR;
    setup.dbPath = dir / "members.db";
    setup.questionsKept = questions;
    handler = Create();
    handler->Handle(kavreld::bench::BenchMemberJoin());
    handler.reset();
    // Thousands of commits would take minutes: the questions go in in one transaction.
    sqlite3* db = nullptr;
    sqlite3_open(setup.dbPath.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO questions(member, text, asked) VALUES('bench', ?, 0)", -1, &insert, nullptr);
    std::string text;
    for (int k = 0; k < 2000; ++k) text += "길";  // 4,000 bytes on the wire (code page 949), stored as UTF-8
    for (std::size_t i = 0; i < questions; ++i) {
      sqlite3_bind_text(insert, 1, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    handler = Create();
  }
  ~Holder() {
    handler.reset();
    std::filesystem::remove_all(dir);
  }
  std::unique_ptr<kavreld::RequestHandler> Create() {
    std::vector<std::string> warnings;
    std::string error;
    auto h = kavreld::RequestHandler::Create(setup, warnings, error);
    if (!h) {
      std::fprintf(stderr, "question bench: %s\n", error.c_str());
      std::exit(1);
    }
    return h;
  }

  std::filesystem::path dir;
  kavreld::HandlerSetup setup;
  std::unique_ptr<kavreld::RequestHandler> handler;
};

void BM_AnswerCheck(benchmark::State& state) {
  Holder holder(static_cast<std::size_t>(state.range(0)));
  kavreld::Request check{kavreld::kAnswerCheck, "127.0.0.1", std::vector<std::uint8_t>(protocol::kUserIdBodySize, 0)};
  kavrel::WriteCp949Field(check.body.data(), protocol::kUserIdBodySize, "bench");
  std::uint32_t waiting = 0;
  for (auto _ : state) {
    auto reply = holder.handler->Handle(check);
    waiting = reply.bytes.size() == 4 ? kavrel::ReadU32(reply.bytes.data(), 0) : 0;
    benchmark::DoNotOptimize(waiting);
  }
  if (waiting != state.range(0)) state.SkipWithError("not every question was counted");
  state.counters["questions"] = static_cast<double>(waiting);
}
BENCHMARK(BM_AnswerCheck)->Arg(static_cast<std::int64_t>(kavreld::kQuestionsKept))->Arg(3000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
