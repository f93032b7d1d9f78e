#include "turnouts/turnoutsignature.h"

namespace TurnoutSignature {

bool startsTurnoutTable(QStringView memoryImageText)
{
    return memoryImageText.startsWith(SignatureLineStart);
}

} // namespace TurnoutSignature
