#include "seams/music.h"

namespace showmusic {
namespace {

MusicSource* source = nullptr;

} // namespace

void use(MusicSource* newSource)
{
    source = newSource;
}

MusicSource* current()
{
    return source;
}

std::uint32_t position()
{
    return source ? source->position() : 0u;
}

bool isActive()
{
    return source ? source->isActive() : false;
}

} // namespace showmusic
