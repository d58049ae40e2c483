#pragma once

namespace tavelin {

// Where a file stands with its cloud provider.
enum class CloudItemState { uploaded, uploading, notUploaded, notInCloud };

} // namespace tavelin
