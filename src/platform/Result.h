#pragma once

#include "platform/UserMessage.h"

#include <QString>

#include <optional>
#include <utility>

namespace veilpane {

// How an operation ended. Callers branch on this, never on the texts meant for the user.
enum class Outcome {
    Done,      // everything asked for was done
    Partial,   // done, but something was kept back that the user should know about
    Refused,   // a check stopped it before anything changed (with or without a message)
    Failed,    // it was tried and did not succeed
    Cancelled, // the user stopped it between two steps
};

// The value for operations that give nothing but their outcome.
struct CNoValue {};

// What an engine gives back: the outcome, what to tell the user (a message box, a status text, or either
// or both left empty for silence), a text for the diagnostic log only, and the engine's own value. The
// value is default-constructed when the engine returns before producing one (a refusal); some engines fill
// it on every outcome (a folder run's counts), as their header says.
template <class T = CNoValue> struct CResult {
    veilpane::Outcome Outcome = veilpane::Outcome::Refused;
    T Value{};
    std::optional<CUserMessage> Message;
    QString StatusText;
    QString Detail; // for the log, never compared; a message may quote it when it names a file and a reason

    bool Ok() const { return Outcome == Outcome::Done || Outcome == Outcome::Partial; }

    static CResult Done(T value = {}, QString status = {}) {
        return {Outcome::Done, std::move(value), std::nullopt, std::move(status), {}};
    }
    static CResult Partial(T value, QString status) {
        return {Outcome::Partial, std::move(value), std::nullopt, std::move(status), {}};
    }
    static CResult Refused(std::optional<CUserMessage> message = std::nullopt) {
        return {Outcome::Refused, {}, std::move(message), {}, {}};
    }
    static CResult Failed(std::optional<CUserMessage> message, QString detail = {}) {
        return {Outcome::Failed, {}, std::move(message), {}, std::move(detail)};
    }
    // A refusal or failure taken over from a lower layer's result of another value type.
    template <class U> static CResult From(const CResult<U>& other) {
        return {other.Outcome, {}, other.Message, other.StatusText, other.Detail};
    }
};

} // namespace veilpane
