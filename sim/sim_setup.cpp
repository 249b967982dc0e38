#include "sim/sim_setup.h"

#include <filesystem>

#include "window/text_file.h"

namespace tarnik::sim {

namespace {

constexpr const char* Empty_Socket = "none";

}  // namespace

Sim_Setup::Sim_Setup(Clock& clock, const Sim_Setup_Options& options)
    : programmer_(clock, options.faults, options.record),
      part_named_(!options.part_name.empty()),
      batch_(options.batch) {
  const std::string part_name = !options.part_name.empty()    ? options.part_name
                                : !options.initial_type.empty() ? options.initial_type
                                                                : std::string(Empty_Socket);
  if (options.firmware) programmer_.Set_Firmware(options.firmware->major, options.firmware->minor);
  if (options.state_path.empty()) {
    Seat(Make_Sim_Part(part_name, error_));
    if (!batch_.empty() && part_) Seat_Batch_Part(part_->Type());
  } else {
    Load_State(options, part_name);
  }
  // A name the catalogue does not know leaves the socket empty.
  if (!part_) Seat(std::make_unique<Sim_Part>(nullptr));
}

void Sim_Setup::Load_State(const Sim_Setup_Options& options, const std::string& part_name) {
  const std::string& path = options.state_path;
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    // A new state file: written at the first save.
    state_path_ = path;
    Seat(Make_Sim_Part(part_name, error_));
    return;
  }
  // A device or a huge file is read only as far as a state file can go.
  const Bounded_File file = Read_Bounded_File(path, Sim_State_Limit);
  if (file.too_long) {
    error_ = Too_Long_Text(path, Sim_State_Limit) + "; it is no simulator state";
    return;
  }
  if (!file.bytes) {
    error_ = "cannot read the simulator state " + path;
    return;
  }
  const std::optional<std::string>& text = file.bytes;
  std::string reason;
  Sim_State state = Load_Sim_State(path, part_name, reason);
  if (!state.part) {
    // The reader names the file itself; it is named once here.
    if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
    error_ = "the simulator state " + path + " is damaged: " + reason;
    return;
  }
  state_path_ = path;
  saved_text_ = *text;
  if (state.firmware && !options.firmware)
    programmer_.Set_Firmware(state.firmware->major, state.firmware->minor);
  Seat(std::move(state.part));
  if (part_named_) {
    // A state file keeps its own part: asking for another one is a mistake
    // worth saying, not a part to swap silently.
    std::string unknown;
    const auto asked = Make_Sim_Part(options.part_name, unknown);
    if (!asked || asked->Type_Name() != part_->Type_Name())
      error_ = path + " holds a " + std::string(part_->Type_Name()) + ", not a " +
               options.part_name + "; drop --sim-part or use another state file";
  }
}

void Sim_Setup::Seat(std::unique_ptr<Sim_Part> part) {
  if (!part) return;
  part_ = std::move(part);
  Seat_Part(programmer_, *part_);
}

bool Sim_Setup::Pinned() const {
  if (part_named_) return true;
  // A part kept in a state file stays once it has a type.
  return !state_path_.empty() && part_->Type() != nullptr;
}

std::optional<std::string> Sim_Setup::Type_Chosen(const Device_Type* type) {
  if (type == nullptr || part_->Type() == type) return std::nullopt;
  if (!Pinned()) {
    if (batch_.empty())
      Seat(std::make_unique<Sim_Part>(type));
    else
      Seat_Batch_Part(type);
    return std::nullopt;
  }
  if (noted_) return std::nullopt;
  noted_ = true;
  std::string line = "Simulated socket holds a " + std::string(part_->Type_Name()) + ", not a " +
                     std::string(type->caption);
  if (!state_path_.empty()) line += " (kept in " + state_path_ + ")";
  return line;
}

void Sim_Setup::Seat_Batch_Part(const Device_Type* type) {
  // An empty socket still belongs to the batch's type: the next part is one.
  if (type != nullptr) batch_type_ = type;
  if (batch_index_ >= batch_.size()) {
    Seat(std::make_unique<Sim_Part>(batch_type_));
    return;
  }
  Seat(Make_Batch_Part(batch_[batch_index_], batch_type_));
}

void Sim_Setup::Next_Part() {
  ++batch_index_;
  Seat_Batch_Part(part_->Type());
}

std::string Sim_Setup::State_Text() const {
  return Sim_State_Text(*part_, {programmer_.Firmware_Major(), programmer_.Firmware_Minor()});
}

std::optional<std::string> Sim_Setup::Save_If_Changed() {
  if (state_path_.empty()) return std::nullopt;
  std::string text = State_Text();
  if (text == saved_text_) return std::nullopt;
  if (!Save_Sim_State(state_path_, *part_,
                      {programmer_.Firmware_Major(), programmer_.Firmware_Minor()})) {
    if (save_failing_) return std::nullopt;
    save_failing_ = true;
    return "cannot write the simulator state " + state_path_;
  }
  save_failing_ = false;
  saved_text_ = std::move(text);
  return std::nullopt;
}

}  // namespace tarnik::sim
