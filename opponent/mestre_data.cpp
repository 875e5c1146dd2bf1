#include "opponent/mestre_data.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace truco {
namespace {

constexpr std::string_view kMagic{"MESTRE1\n", 8};
constexpr std::size_t kPayloadBytes = (kAcceptCells + kCallCells) * 2;
constexpr std::size_t kFileBytes = kMagic.size() + 4 + kPayloadBytes + 4;
// No file of ours is bigger; a huge file is not read whole.
constexpr std::size_t kMaxReadBytes = kFileBytes + 1;

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
}

std::uint32_t GetU32(std::string_view in, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return v;
}

}  // namespace

int HandClass(int best, int second) {
  const int b = std::clamp(best, 0, 13);
  const int s = std::clamp(second, 0, 13);
  return b * 14 + s;
}

int AcceptContext(Rung rung, int trick, TrickOutcome first) {
  return (static_cast<int>(rung) * 3 + std::clamp(trick, 1, 3) - 1) * 4 + static_cast<int>(first);
}

int CallContext(Rung rung, int trick, TrickOutcome first, bool in_answer) {
  return AcceptContext(rung, trick, first) * 2 + (in_answer ? 1 : 0);
}

TrickOutcome Flipped(TrickOutcome outcome) {
  if (outcome == TrickOutcome::Won) return TrickOutcome::Lost;
  if (outcome == TrickOutcome::Lost) return TrickOutcome::Won;
  return outcome;
}

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string EncodeMestreData(const MestreModel& model) {
  std::string payload;
  payload.reserve(kPayloadBytes);
  auto put = [&](float p) {
    const auto v = static_cast<std::uint32_t>(std::lround(std::clamp(p, 0.0f, 1.0f) * 65535.0f));
    payload.push_back(static_cast<char>(v & 0xFFu));
    payload.push_back(static_cast<char>(v >> 8));
  };
  for (float p : model.accept) put(p);
  for (float p : model.call) put(p);
  std::string out(kMagic);
  PutU32(out, static_cast<std::uint32_t>(payload.size()));
  out += payload;
  PutU32(out, Crc32(payload));
  return out;
}

MestreData DecodeMestreData(std::string_view bytes) {
  MestreData data;
  if (bytes.size() < kMagic.size() || bytes.substr(0, kMagic.size()) != kMagic) {
    data.status = bytes.size() < kMagic.size() && kMagic.substr(0, bytes.size()) == bytes
                      ? MestreDataStatus::Truncated
                      : MestreDataStatus::Foreign;
    return data;
  }
  if (bytes.size() < kMagic.size() + 4) {
    data.status = MestreDataStatus::Truncated;
    return data;
  }
  if (GetU32(bytes, kMagic.size()) != kPayloadBytes) {
    data.status = MestreDataStatus::Foreign;
    return data;
  }
  if (bytes.size() < kFileBytes) {
    data.status = MestreDataStatus::Truncated;
    return data;
  }
  if (bytes.size() > kFileBytes) {
    data.status = MestreDataStatus::Foreign;
    return data;
  }
  const std::string_view payload = bytes.substr(kMagic.size() + 4, kPayloadBytes);
  if (Crc32(payload) != GetU32(bytes, kMagic.size() + 4 + kPayloadBytes)) {
    data.status = MestreDataStatus::BadChecksum;
    return data;
  }
  MestreModel model;
  auto get = [&](std::size_t cell) {
    const auto lo = static_cast<unsigned char>(payload[2 * cell]);
    const auto hi = static_cast<unsigned char>(payload[2 * cell + 1]);
    return static_cast<float>(lo | (hi << 8)) / 65535.0f;
  };
  for (std::size_t i = 0; i < model.accept.size(); ++i) model.accept[i] = get(i);
  for (std::size_t i = 0; i < model.call.size(); ++i) model.call[i] = get(model.accept.size() + i);
  data.status = MestreDataStatus::Ok;
  data.model = model;
  return data;
}

MestreData ReadMestreData(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    // A file that is there but cannot be opened is told apart from one that is not there.
    std::error_code error;
    const bool there = !path.empty() && std::filesystem::exists(path, error);
    return {there ? MestreDataStatus::Unreadable : MestreDataStatus::Missing, std::nullopt};
  }
  std::string bytes;
  bytes.resize(kMaxReadBytes);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return {MestreDataStatus::Unreadable, std::nullopt};
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return DecodeMestreData(bytes);
}

std::string MestreDataProblem(MestreDataStatus status, const std::string& path) {
  std::string why;
  switch (status) {
    case MestreDataStatus::Ok:
      return {};
    case MestreDataStatus::Missing:
      why = "não foi encontrado";
      break;
    case MestreDataStatus::Unreadable:
      why = "não pôde ser lido";
      break;
    case MestreDataStatus::Truncated:
      why = "está incompleto (cortado)";
      break;
    case MestreDataStatus::BadChecksum:
      why = "está corrompido (a soma de verificação não confere)";
      break;
    case MestreDataStatus::Foreign:
      why = "não é um arquivo de dados do nível Mestre";
      break;
  }
  return "O arquivo de dados do nível Mestre (" + path + ") " + why +
         ". O computador joga no nível Forte.";
}

}  // namespace truco
