#include "KernelWrapper.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <tinyxml2.h>

#include "../module/IKernel.h"
#include "NullText.h"
#include "NumberText.h"
#include "Platform.h"
#include "../module/ValueType.h"
#include "WideText.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// Reads the whole file through the platform layer (so "\" separators work
// everywhere) and parses it. False when it cannot be read or is not XML.
bool LoadDocument(IKernel* kernel, const char* fileName, XMLDocument& doc) {
    if (kernel == nullptr || fileName == nullptr) {
        return false;
    }
    const std::string path = std::string(OrEmpty(kernel->GetResourcePath())) + fileName;
    const std::unique_ptr<std::FILE, FileCloser> file(Platform::OpenFile(path.c_str(), "rb"));
    if (file == nullptr) {
        return false;
    }
    std::vector<char> bytes;
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    const bool readError = std::ferror(file.get()) != 0;
    if (readError || bytes.empty()) {
        return false;
    }
    return doc.Parse(bytes.data(), bytes.size()) == tinyxml2::XML_SUCCESS;
}

// A whole decimal integer within int range, blanks around it allowed. Stricter
// than a formatted scan, which would take "3abc" as 3 and overflow silently.
bool ParseIntAttribute(const XMLElement* element, const char* name, int& out) {
    const char* text = element->Attribute(name);
    if (text == nullptr) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return false;
    }
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') {
        ++end;
    }
    if (*end != '\0') {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

void LogFailure(IKernel* kernel, const std::string& message, int line) {
    const std::string position = "..\\Utility\\KernelWrapper (" + std::to_string(line) + ")";
    kernel->WriteTrace(message.c_str());
    kernel->WriteTrace(position.c_str());
    kernel->WriteLog(message.c_str());
    kernel->WriteLog(position.c_str());
}

struct PropertyFlags {
    bool isPublic, isPrivate, save, col, xml;
};

// Public/private chooses the Ex form; save with col (mode 2) or save with xml
// (mode 3) chooses the save-mode form, col winning over xml.
bool RegisterProperty(IKernel* kernel, int classIndex, const char* name, int type, const char* description,
                      const PropertyFlags& f) {
    const int mode = (f.save && f.col) ? 2 : (f.save && f.xml) ? 3 : 0;
    if (!f.isPublic && !f.isPrivate) {
        if (mode != 0) {
            return kernel->AddClassPropertySaveMode(classIndex, name, type, mode, description);
        }
        return kernel->AddClassProperty(classIndex, name, type, f.save, description);
    }
    if (mode != 0) {
        return kernel->AddClassPropertyExSaveMode(classIndex, name, type, "", f.isPublic, f.isPrivate, mode,
                                                  description);
    }
    return kernel->AddClassPropertyEx(classIndex, name, type, "", f.isPublic, f.isPrivate, f.save, description);
}

void RegisterProperties(IKernel* kernel, int classIndex, const XMLElement* root, const char* fileName) {
    const XMLElement* base = root->FirstChildElement("BaseProperties");
    if (base == nullptr) {
        return;
    }
    for (const XMLElement* p = base->FirstChildElement("Property"); p != nullptr;
         p = p->NextSiblingElement("Property")) {
        const char* name = p->Attribute("Id");
        const char* typeName = p->Attribute("Type");
        if (name == nullptr || typeName == nullptr) {
            continue;
        }
        const PropertyFlags flags{BoolFromText(p->Attribute("Public")), BoolFromText(p->Attribute("Private")),
                                  BoolFromText(p->Attribute("Save")), BoolFromText(p->Attribute("Col")),
                                  BoolFromText(p->Attribute("Xml"))};
        if (!RegisterProperty(kernel, classIndex, name, TypeCodeFromName(typeName),
                              OrEmpty(p->Attribute("Description")), flags)) {
            LogFailure(kernel, std::string("OnCreateClassFromXml失败: xml=") + fileName + ", id=" + name, 185);
        }
    }
}

void RegisterRecords(IKernel* kernel, int classIndex, const XMLElement* root, const char* fileName) {
    const XMLElement* records = root->FirstChildElement("RecordProperties");
    if (records == nullptr) {
        return;
    }
    for (const XMLElement* r = records->FirstChildElement("Record"); r != nullptr;
         r = r->NextSiblingElement("Record")) {
        const char* name = r->Attribute("Id");
        int cols = 0;
        int maxRows = 0;
        if (name == nullptr || !ParseIntAttribute(r, "Cols", cols) || !ParseIntAttribute(r, "MaxRows", maxRows)) {
            continue;
        }
        const bool col = BoolFromText(r->Attribute("Col"));
        const bool save = BoolFromText(r->Attribute("Save"));
        const bool added = (col && save) ? kernel->AddClassRecordSaveMode(classIndex, name, cols, maxRows, 2)
                                         : kernel->AddClassRecord(classIndex, name, cols, maxRows, save);
        if (!added) {
            LogFailure(kernel, std::string("OnCreateClassFromXml失败: 添加表失败:[") + name + "] " + fileName, 201);
        }
        // Column types and visibility go out even for a refused record: the class
        // may already hold it from an earlier file.
        int column = 0;
        for (const XMLElement* c = r->FirstChildElement("Column"); c != nullptr;
             c = c->NextSiblingElement("Column"), ++column) {
            const char* typeName = c->Attribute("Type");
            if (typeName == nullptr) {
                continue;
            }
            if (!kernel->SetClassRecordColType(classIndex, name, column, TypeCodeFromName(typeName))) {
                LogFailure(kernel,
                           std::string("OnCreateClassFromXml失败: 设置表的列类型失败:[") + name + "] [" +
                               std::to_string(column) + "] " + fileName,
                           212);
            }
        }
        if (BoolFromText(r->Attribute("Visible")) && !kernel->SetClassRecordVisible(classIndex, name, name)) {
            LogFailure(kernel, std::string("OnCreateClassFromXml失败: 设置表的可见失败:[") + name + "] " + fileName,
                       220);
        }
    }
}

void ApplyObjectData(IKernel* kernel, const ObjectId& obj, const XMLElement* element);

// A contained object made from the value text, filled from the nested element.
ObjectId MakeContainedObject(IKernel* kernel, const ObjectId& container, const char* text, const XMLElement* element) {
    ObjectId child;
    if (!kernel->CreateObjectFromText(child, container, text)) {
        child = ObjectId{};
    }
    if (!child.IsNull()) {
        ApplyObjectData(kernel, child, element);
    }
    return child;
}

void ApplyProperties(IKernel* kernel, const ObjectId& obj, const XMLElement* element) {
    const XMLElement* base = element->FirstChildElement("BaseProperties");
    if (base == nullptr) {
        return;
    }
    for (const XMLElement* p = base->FirstChildElement("Property"); p != nullptr;
         p = p->NextSiblingElement("Property")) {
        const char* name = p->Attribute("Id");
        if (name == nullptr || !kernel->FindProperty(obj, name)) {
            continue;
        }
        const char* value = OrEmpty(p->Attribute("Value"));
        switch (kernel->GetPropertyType(obj, name)) {
            case VT_INT: kernel->SetInt(obj, name, StringToInt(value)); break;
            case VT_FLOAT: kernel->SetFloat(obj, name, StringToFloat(value)); break;
            case VT_STRING: kernel->SetString(obj, name, value); break;
            case VT_WIDESTR: kernel->SetWideStr(obj, name, StringToWide(value, 0).c_str()); break;
            case VT_OBJECT: kernel->SetObject(obj, name, MakeContainedObject(kernel, obj, value, p)); break;
            default: break;
        }
    }
}

void ApplyRecords(IKernel* kernel, const ObjectId& obj, const XMLElement* element) {
    const XMLElement* records = element->FirstChildElement("RecordProperties");
    if (records == nullptr) {
        return;
    }
    for (const XMLElement* r = records->FirstChildElement("Record"); r != nullptr;
         r = r->NextSiblingElement("Record")) {
        const char* name = r->Attribute("Id");
        if (name == nullptr || !kernel->FindRecord(obj, name)) {
            continue;
        }
        for (const XMLElement* rowElement = r->FirstChildElement("Row"); rowElement != nullptr;
             rowElement = rowElement->NextSiblingElement("Row")) {
            const int row = kernel->AddRecordRow(obj, name, -1);
            if (row < 0) {
                continue;  // full or refused: there is no row to write into
            }
            int col = 0;
            for (const XMLElement* c = rowElement->FirstChildElement("Column"); c != nullptr;
                 c = c->NextSiblingElement("Column"), ++col) {
                const char* value = OrEmpty(c->Attribute("Value"));
                switch (kernel->GetRecordColType(obj, name, col)) {
                    case VT_INT: kernel->SetRecordInt(obj, name, row, col, StringToInt(value)); break;
                    case VT_FLOAT: kernel->SetRecordFloat(obj, name, row, col, StringToFloat(value)); break;
                    case VT_STRING: kernel->SetRecordString(obj, name, row, col, value); break;
                    case VT_WIDESTR:
                        kernel->SetRecordWideStr(obj, name, row, col, StringToWide(value, 0).c_str());
                        break;
                    case VT_OBJECT:
                        kernel->SetRecordObject(obj, name, row, col, MakeContainedObject(kernel, obj, value, c));
                        break;
                    default: break;
                }
            }
        }
    }
}

void ApplyObjectData(IKernel* kernel, const ObjectId& obj, const XMLElement* element) {
    ApplyProperties(kernel, obj, element);
    ApplyRecords(kernel, obj, element);
}

}  // namespace

int OnCreateClassFromXml(IKernel* kernel, int classIndex, const char* fileName) {
    XMLDocument doc;
    if (!LoadDocument(kernel, fileName, doc)) {
        return 0;
    }
    if (const XMLElement* root = doc.FirstChildElement("Object")) {
        RegisterProperties(kernel, classIndex, root, fileName);
        RegisterRecords(kernel, classIndex, root, fileName);
    }
    return 1;
}

bool LoadObjectFromXml(IKernel* kernel, const ObjectId& obj, const char* fileName) {
    XMLDocument doc;
    if (!LoadDocument(kernel, fileName, doc)) {
        return false;
    }
    if (const XMLElement* root = doc.FirstChildElement("Object")) {
        ApplyObjectData(kernel, obj, root);
    }
    return true;
}

std::string QueryPropertyText(IKernel* kernel, const ObjectId& obj, const char* name) {
    if (kernel == nullptr || name == nullptr || !kernel->FindProperty(obj, name)) {
        return std::string();
    }
    switch (kernel->GetPropertyType(obj, name)) {
        case VT_INT: return IntToString(kernel->QueryInt(obj, name));
        case VT_FLOAT: return FloatToString(kernel->QueryFloat(obj, name), 0);
        case VT_STRING: return std::string(OrEmpty(kernel->QueryString(obj, name)));
        case VT_WIDESTR: {
            const char16_t* wide = kernel->QueryWideStr(obj, name);
            return wide != nullptr ? WideToString(wide, 0) : std::string();
        }
        default: return std::string();
    }
}

int TypeCodeFromName(const char* name) {
    if (name == nullptr) {
        return VT_NONE;
    }
    static constexpr struct {
        const char* name;
        int code;
    } kTypes[] = {{"int", VT_INT},         {"byte", VT_INT},      {"word", VT_INT},
                  {"dword", VT_INT},       {"float", VT_FLOAT},   {"string", VT_STRING},
                  {"wstring", VT_WIDESTR}, {"object", VT_OBJECT}, {"bool", VT_BOOL}};
    for (const auto& t : kTypes) {
        if (std::strcmp(name, t.name) == 0) {
            return t.code;
        }
    }
    return VT_NONE;
}

bool BoolFromText(const char* text) {
    return text != nullptr && (std::strcmp(text, "true") == 0 || std::strcmp(text, "1") == 0);
}

std::string TypeDbName(int code) {
    switch (code) {
        case VT_INT: return "DWORD";
        case VT_FLOAT: return "FLOAT";
        case VT_STRING: return "LONGSTR";
        case VT_WIDESTR: return "WIDESTR";
        case VT_OBJECT: return "OBJECT";
        default: return std::string();
    }
}
