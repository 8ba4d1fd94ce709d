# Builds a small project that imports examples/msbuild/TriCore.Quonvel.targets
# with Mono's xbuild, in a folder whose name holds an apostrophe and a blank,
# with a stand-in toolchain, and checks when the step runs and what the build
# log shows.
#
#   cmake -DTARGETS=<TriCore.Quonvel.targets> -DXBUILD=<xbuild> -DQUONVEL=<exe>
#         -DSAMPLE=<sample log> -DWORK=<scratch dir> -P msbuild_targets.cmake
include(${CMAKE_CURRENT_LIST_DIR}/check_build.cmake)
set(project "${WORK}/it's a project")
set(runs "${project}/runs.txt")
set(fail "${project}/fail")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${project}/src" "${project}/tool's dir")
file(COPY_FILE "${SAMPLE}" "${project}/sample.log")
file(COPY "${QUONVEL}" DESTINATION "${project}/tool's dir")
get_filename_component(quonvelName "${QUONVEL}" NAME)
file(WRITE "${project}/src/main.c" "int main(void) { return 0; }\n")
file(WRITE "${project}/toolchain.sh" [[
echo run >> runs.txt
cat sample.log
[ ! -e fail ] || exit 3
]])
file(WRITE "${project}/firmware.proj" [[
<Project DefaultTargets="Build" xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <PropertyGroup>
    <IntDir>obj/</IntDir>
    <BuildDependsOn>CoreBuild</BuildDependsOn>
    <TriCoreBuildCommand>sh toolchain.sh</TriCoreBuildCommand>
    <TriCoreLogDir>$(MSBuildProjectDirectory)/log's dir/</TriCoreLogDir>
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
function(build what quonvel outcome expectedRuns shown hidden)
  execute_process(COMMAND ${XBUILD} /nologo /v:n "/p:QuonvelExe=${quonvel}" ${ARGN} firmware.proj
    WORKING_DIRECTORY "${project}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  wait_past_build("${WORK}/built")
  check_build("${what}" "${result}" "${output}" "${runs}" ${outcome} ${expectedRuns} "${shown}"
    "${hidden}")
endfunction()

set(quonvel "${project}/tool's dir/${quonvelName}")
# Both steps ran, the toolchain first, and the log came through Quonvel.
build("first build" ${quonvel} passes 1
  "Target TriCoreBuild.*${diagnostic}.*${own};ltc.*error ltcE106: unresolved external"
  "make: \\*\\*\\*")
build("nothing changed" ${quonvel} passes 1 "${own}" "${diagnostic}")
file(TOUCH "${project}/src/main.c")
build("a source touched" ${quonvel} passes 2 "${diagnostic}" "")
file(TOUCH "${fail}")
file(TOUCH "${project}/src/main.c")
build("the toolchain fails" ${quonvel} fails 3
  "${diagnostic};The TriCore toolchain failed with exit code 3" "${own}")
build("a failed step runs again" ${quonvel} fails 4 "${diagnostic}" "")
file(REMOVE "${fail}")
build("the toolchain passes again" ${quonvel} passes 5 "${diagnostic}" "")
file(TOUCH "${project}/src/main.c")
build("no sources listed" ${quonvel} passes 6 "${diagnostic}" "" /p:NoSources=1)
build("no sources listed, again" ${quonvel} passes 7 "${diagnostic}" "" /p:NoSources=1)
file(TOUCH "${project}/src/main.c")
# Looked for before the toolchain runs.
build("Quonvel missing" "${project}/no-such-Quonvel" fails 7 "Quonvel not found" "${own}")
