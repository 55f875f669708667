# Writes a C++ source that holds the text of INPUT as the function NAME (in NAMESPACE).
file(READ "${INPUT}" TEXT)
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\nnamespace ${NAMESPACE} {\nconst char* ${NAME}()\n{\n    return R\"veldris(${TEXT})veldris\";\n}\n}\n")
