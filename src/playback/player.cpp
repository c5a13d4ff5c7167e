#include "playback/player.h"

#include "playback/player_texts.h"

namespace telvia {

Player::Player(PlaybackContext& context, PlayerPorts ports, const TranslationTable& translations)
    : context_(context), ports_(ports), translations_(translations)
{
}

void Player::showTitle(std::u16string_view status)
{
    ports_.title.setTitle(
        composeTitle(context_.productName.view(), context_.current.name.view(), status));
}

void Player::showStatusWord(std::string_view key)
{
    showTitle(statusText(
        lookupTextUtf16(translations_, ports_.textConversion, commonTexts, key, "")));
}

void Player::reportFailure(std::string_view format, HResult result)
{
    showFailure(MessageOwner::none, failureText(format, result));
}

void Player::showFailure(MessageOwner owner, std::u16string_view text)
{
    ++failuresShown_;
    ports_.messages.showInformation(owner, text, context_.productName.view());
    --failuresShown_;
}

}  // namespace telvia
