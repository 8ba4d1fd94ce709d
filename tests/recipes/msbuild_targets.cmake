# Builds a small project that imports examples/msbuild/TriCore.Quonvel.targets
# with Mono's xbuild, in a folder whose name holds an apostrophe and a blank,
# with Quonvel and the log in folders whose names hold quotes and a percent
# sign too, with a stand-in toolchain, and checks when the step runs and what
# the build log shows.
#
#   cmake -DTARGETS=<TriCore.Quonvel.targets> -DXBUILD=<xbuild> -DQUONVEL=<exe>
#         -DSAMPLE=<sample log> -DWORK=<scratch dir> -P msbuild_targets.cmake
include(${CMAKE_CURRENT_LIST_DIR}/check_build.cmake)
set(project "${WORK}/it's a project")
set(runs "${project}/runs.txt")
set(fail "${project}/fail")
file(REMOVE_RECURSE "${WORK}")
set(tools "${project}/tool's \"dir\" 100%")
file(MAKE_DIRECTORY "${project}/src" "${tools}")
file(COPY_FILE "${SAMPLE}" "${project}/sample.log")
file(COPY "${QUONVEL}" DESTINATION "${tools}")
get_filename_component(quonvelName "${QUONVEL}" NAME)
file(WRITE "${project}/src/main.c" "int main(void) { return 0; }\n")
file(WRITE "${project}/toolchain.sh" [[
echo run >> runs.txt
cat sample.log
[ ! -e fail ] || exit 3
]])
string(REPLACE "\"" "&quot;" tools "${tools}")
file(WRITE "${project}/firmware.proj" [[
<Project DefaultTargets="Build" xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <PropertyGroup>
    <IntDir>obj/</IntDir>
    <BuildDependsOn>CoreBuild</BuildDependsOn>
    <TriCoreBuildCommand>sh toolchain.sh</TriCoreBuildCommand>
    <TriCoreLogDir>$(MSBuildProjectDirectory)/log's &quot;dir&quot; 50%/</TriCoreLogDir>
    <QuonvelExe>]] "${tools}/${quonvelName}" [[</QuonvelExe>
  </PropertyGroup>
  <ItemGroup Condition="'$(NoSources)' == ''">
    <TriCoreSources Include="src/*.c" />
  </ItemGroup>
  <Import Project="]] "${TARGETS}" [[" />
  <Target Name="CoreBuild"><Message Text="The project's own compile" /></Target>
  <Target Name="Build" DependsOnTargets="$(BuildDependsOn)" />
</Project>
]])

set(diagnostic "src/app/motor.cpp\\(57\\): error cptcE1234: identifier \"speedLimit\" is undefined")
set(own "The project's own compile")
# Builds once and checks the build (see check_build.cmake); further arguments
# go to xbuild.
function(build what outcome expectedRuns shown hidden)
  execute_process(COMMAND ${XBUILD} /nologo /v:n ${ARGN} firmware.proj
    WORKING_DIRECTORY "${project}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  wait_past_build("${WORK}/built")
  check_build("${what}" "${result}" "${output}" "${runs}" ${outcome} ${expectedRuns} "${shown}"
    "${hidden}")
endfunction()

# Both steps ran, the toolchain first, and its output came through Quonvel,
# every byte of it kept in the log.
build("first build" passes 1
  "Target TriCoreBuild.*${diagnostic}.*${own};ltc.*error ltcE106: unresolved external"
  "make: \\*\\*\\*")
file(SHA256 "${SAMPLE}" printed)
file(SHA256 "${project}/log's \"dir\" 50%/tricore-build.log" kept)
if(NOT kept STREQUAL printed)
  message(SEND_ERROR "first build: tricore-build.log is not what the toolchain printed")
endif()
build("nothing changed" passes 1 "${own}" "${diagnostic}")
file(TOUCH "${project}/src/main.c")
build("a source touched" passes 2 "${diagnostic}" "")
file(TOUCH "${fail}")
file(TOUCH "${project}/src/main.c")
build("the toolchain fails" fails 3 "${diagnostic};exited with code:? 3" "${own}")
build("a failed step runs again" fails 4 "${diagnostic}" "")
file(REMOVE "${fail}")
build("the toolchain passes again" passes 5 "${diagnostic}" "")
file(TOUCH "${project}/src/main.c")
build("no sources listed" passes 6 "${diagnostic}" "" /p:NoSources=1)
build("no sources listed, again" passes 7 "${diagnostic}" "" /p:NoSources=1)
file(TOUCH "${project}/src/main.c")
# The toolchain does not run without Quonvel.
build("Quonvel missing" fails 7 "no-such-Quonvel" "${own}" "/p:QuonvelExe=${project}/no-such-Quonvel")
