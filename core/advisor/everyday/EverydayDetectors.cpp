#include "advisor/EverydayDetectors.h"

#include "advisor/InstallersDetector.h"
#include "advisor/LargeFilesDetector.h"
#include "advisor/MediaDownloadsDetector.h"
#include "advisor/OldDownloadsDetector.h"
#include "advisor/PhotosLibraryDetector.h"
#include "advisor/ScreenshotsDetector.h"
#include "advisor/UnusedAppsDetector.h"

namespace tavelin::EverydayDetectors {

std::vector<std::shared_ptr<const Detector>> all() {
    return {
        std::make_shared<OldDownloadsDetector>(),   std::make_shared<InstallersDetector>(),
        std::make_shared<ScreenshotsDetector>(),    std::make_shared<LargeFilesDetector>(),
        std::make_shared<UnusedAppsDetector>(),     std::make_shared<PhotosLibraryDetector>(),
        std::make_shared<MediaDownloadsDetector>(),
    };
}

} // namespace tavelin::EverydayDetectors
