#include "core/HttpDownTaskData.h"

#include <utility>

namespace pd {

HttpDownTaskData::HttpDownTaskData(std::string fileName, std::string url, std::string filePath)
    : fileName(std::move(fileName)), url(std::move(url)), filePath(std::move(filePath)) {}

}  // namespace pd
